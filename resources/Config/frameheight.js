/* Tells the page that holds the calendar in a frame how tall the calendar
 * is, so that the frame can be as tall as its content (the host's half is
 * the small script in the embed code of Link.html).
 *
 * The height is posted to the parent window as {type: "calendar-height",
 * height: pixels} on load, when the frame's width changes, when pictures
 * arrive and when a part of the page changes size. It is the bottom of the
 * lowest part of the body plus the body's lower margin, not the document's
 * scroll height: that is never less than the frame itself, so a frame made
 * taller once could never shrink again. Pop-up boxes lie outside the flow
 * and do not count. Outside a frame the script does nothing.
 */
(function () {
  "use strict";
  if (window.parent === window || !window.postMessage) return;

  var last = -1;
  var pending = false;

  function height() {
    var body = document.body;
    if (!body) return 0;
    var bottom = 0;
    for (var n = body.firstElementChild; n; n = n.nextElementSibling) {
      var style = window.getComputedStyle(n);
      if (style.position === "absolute" || style.position === "fixed" ||
          style.display === "none") {
        continue;
      }
      bottom = Math.max(bottom, n.getBoundingClientRect().bottom);
    }
    var margin = parseFloat(window.getComputedStyle(body).marginBottom) || 0;
    return Math.ceil(bottom + window.pageYOffset + margin);
  }

  function post() {
    pending = false;
    var h = height();
    if (h <= 0 || h === last) return;
    last = h;
    window.parent.postMessage({type: "calendar-height", height: h}, "*");
  }

  function later() {
    if (pending) return;
    pending = true;
    (window.requestAnimationFrame || window.setTimeout)(post);
  }

  function watch() {
    if (window.ResizeObserver) {
      var observer = new ResizeObserver(later);
      for (var n = document.body.firstElementChild; n; n = n.nextElementSibling) {
        observer.observe(n);
      }
    }
    later();
  }

  window.addEventListener("load", later, false);
  window.addEventListener("resize", later, false);
  // A picture that arrives late makes its part taller.
  document.addEventListener("load", later, true);
  if (document.readyState === "loading") {
    document.addEventListener("DOMContentLoaded", watch, false);
  } else {
    watch();
  }
})();
