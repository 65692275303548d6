/* Tells the page that holds the calendar in a frame how tall the calendar
 * is, so that the frame can be as tall as its content (the host's half is
 * the small script in the embed code of Link.html).
 *
 * The height is posted to the parent window as {type: "calendar-height",
 * height: pixels} on load, when the frame's width changes, when pictures
 * arrive and when a part of the page changes size. It is where an empty
 * marker after everything in the body sits, plus what lies below it (the
 * body's and the page's padding, border and margin), not the document's
 * scroll height: that is never less than the frame itself, so a frame made
 * taller once could never shrink again. Pop-up boxes lie outside the flow
 * and do not count. Outside a frame the script does nothing.
 */
(function () {
  "use strict";
  if (window.parent === window || !window.postMessage) return;

  var last = -1;
  var pending = false;

  var marker = null;

  function below(element) {
    var style = window.getComputedStyle(element);
    return (parseFloat(style.paddingBottom) || 0) + (parseFloat(style.borderBottomWidth) || 0) +
        (parseFloat(style.marginBottom) || 0);
  }

  function inFlow(element) {
    var position = window.getComputedStyle(element).position;
    return position !== "absolute" && position !== "fixed";
  }

  function height() {
    var body = document.body;
    if (!body || document.readyState === "loading") return 0;
    if (!marker || marker.parentNode !== body) {
      marker = document.createElement("div");
      marker.setAttribute("aria-hidden", "true");
      marker.style.cssText = "display:block;position:static;float:none;clear:both;" +
          "height:0;margin:0;padding:0;border:0";
      body.appendChild(marker);
    }
    // Boxes added later out of the flow (popup.js's details) may follow the
    // marker; anything else moves it to the end again.
    for (var n = marker.nextElementSibling; n; n = n.nextElementSibling) {
      if (inFlow(n)) {
        body.appendChild(marker);
        break;
      }
    }
    var top = marker.getBoundingClientRect().top + window.pageYOffset;
    return Math.ceil(top + below(body) + below(document.documentElement));
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
      observer.observe(document.body);
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
