/*
 * Event scroller for Scroller.html.
 *
 * This file is a template. On every generation run the calendar program puts
 * the list of items above this comment:
 *
 *     var item = new Array();
 *     item[0]= ["photo.jpg","EVENT NAME<br />Mar. 5 - 9:00 am","link.html","_top","2460740"];
 *     ...
 *
 * (photo, HTML text, link with "&" written "&amp;", link target, Julian day
 * number of the event's day)
 * and adds one last line, "var speed=N;", where N runs from 0 (fastest) to
 * 129 (slowest): the number of milliseconds the strip takes to move one pixel.
 * Because that line comes after this code, nothing here reads `speed` before
 * the page has finished parsing.
 *
 * The boxes scroll to the left in an endless loop. The arrow buttons step one
 * box either way; the strip stops while the pointer is over the scroller or
 * while a box has the keyboard focus; the arrow keys step as well. With
 * "reduce motion" asked for by the system the strip does not move by itself
 * and the steps jump instead of gliding. Events whose day has passed are left
 * out, unless that would leave nothing to show.
 */
(function () {
  "use strict";

  var FALLBACK_MS_PER_PIXEL = 65;
  var FASTEST_MS_PER_PIXEL = 8;     // about 125 pixels a second
  var STEP_MS = 450;                // length of one arrow step

  function msPerPixel() {
    var s = (typeof speed === "undefined") ? NaN : Number(speed);
    if (!isFinite(s)) s = FALLBACK_MS_PER_PIXEL;
    return Math.max(FASTEST_MS_PER_PIXEL, s);
  }

  function todayJulianDay() {
    var now = new Date();
    // 1 January 1970 is Julian day 2440588.
    return Math.floor(Date.UTC(now.getFullYear(), now.getMonth(), now.getDate()) / 86400000) + 2440588;
  }

  // The link comes written as in an HTML attribute ("&" as "&amp;"), while
  // it is given to the box as a plain address.
  var ENTITIES = { amp: "&", quot: "\"", apos: "'", lt: "<", gt: ">" };
  function plainAddress(s) {
    return s.replace(/&(amp|quot|apos|lt|gt);/g, function (m, name) { return ENTITIES[name]; });
  }

  function readItems() {
    var list = (typeof item !== "undefined" && item && item.length) ? item : [];
    var all = [];
    for (var i = 0; i < list.length; i++) {
      var e = list[i];
      if (!e || typeof e.length !== "number" || e.length < 2) continue;
      all.push({
        photo: String(e[0] || "blank.jpg"),
        html: String(e[1] || ""),
        link: e.length > 2 && e[2] ? plainAddress(String(e[2])) : "",
        target: e.length > 3 && e[3] ? String(e[3]) : "_top",
        day: e.length > 4 ? parseInt(e[4], 10) : NaN
      });
    }
    var today = todayJulianDay();
    var coming = all.filter(function (x) { return !(x.day < today); });
    return coming.length ? coming : all;
  }

  function makeBox(x, hidden) {
    var box = document.createElement("div");
    box.className = "eventitem";
    var holder;
    if (x.link && !/^\s*javascript:/i.test(x.link)) {
      holder = document.createElement("a");
      holder.href = x.link;
      holder.target = x.target;
      if (hidden) holder.tabIndex = -1;
    } else {
      holder = document.createElement("span");
    }
    var img = document.createElement("img");
    img.className = "photo";
    img.alt = "";
    img.width = 120;
    img.height = 70;
    img.addEventListener("error", function onError() {
      img.removeEventListener("error", onError);
      img.src = "blank.jpg";
    });
    img.src = x.photo;
    var p = document.createElement("p");
    p.innerHTML = x.html;
    holder.appendChild(img);
    holder.appendChild(p);
    box.appendChild(holder);
    if (hidden) box.setAttribute("aria-hidden", "true");
    return box;
  }

  function start() {
    var frame = document.getElementById("eventscoller");
    var view = document.getElementById("container");
    var strip = document.getElementById("div1");
    var prev = document.getElementById("scrollprev");
    var next = document.getElementById("scrollnext");
    if (!view || !strip) return;

    var items = readItems();
    strip.innerHTML = "";
    if (!items.length) {
      if (prev) prev.hidden = true;
      if (next) next.hidden = true;
      return;
    }

    var i;
    for (i = 0; i < items.length; i++) strip.appendChild(makeBox(items[i], false));
    var first = strip.firstChild;
    var boxWidth = first.offsetWidth + parseFloat(getComputedStyle(first).marginLeft) +
                   parseFloat(getComputedStyle(first).marginRight);
    var setWidth = boxWidth * items.length;
    var viewWidth = view.clientWidth;

    if (setWidth <= viewWidth) {
      // Everything fits: show the boxes still, in the middle.
      strip.style.left = Math.round((viewWidth - setWidth) / 2) + "px";
      if (prev) prev.hidden = true;
      if (next) next.hidden = true;
      return;
    }

    // Enough copies after the real set that the view is always full.
    var copies = Math.ceil(viewWidth / setWidth);
    for (var c = 0; c < copies; c++) {
      for (i = 0; i < items.length; i++) strip.appendChild(makeBox(items[i], true));
    }

    var reduce = window.matchMedia ? window.matchMedia("(prefers-reduced-motion: reduce)") : null;
    var pos = 0;              // pixels the strip has moved left, 0 <= pos < setWidth
    var hovered = false;
    var focused = false;
    var step = null;          // {from, to, cur, t0} while an arrow step glides
    var last = null;
    var running = false;

    function wrap(x) {
      x = x % setWidth;
      return x < 0 ? x + setWidth : x;
    }

    function paint() {
      strip.style.transform = "translate3d(" + (-pos) + "px,0,0)";
    }

    function moving() {
      return !(reduce && reduce.matches) && !hovered && !focused;
    }

    function tick(now) {
      running = false;
      var dt = last === null ? 0 : Math.min(now - last, 100);
      last = now;
      if (step) {
        var t = Math.min(1, (now - step.t0) / STEP_MS);
        var eased = 1 - Math.pow(1 - t, 3);
        step.cur = step.from + (step.to - step.from) * eased;
        pos = wrap(step.cur);
        if (t >= 1) step = null;
      } else if (moving()) {
        pos = wrap(pos + dt / msPerPixel());
      }
      paint();
      schedule();
    }

    function schedule() {
      if (running) return;
      if (!step && !moving()) { last = null; return; }
      running = true;
      window.requestAnimationFrame(tick);
    }

    function stepBy(dir) {
      // While a step still glides, the next one counts from where it ends.
      var base = step ? step.to : pos;
      var cur = step ? step.cur : pos;
      var k = base / boxWidth;
      // Snap to the next box edge in the chosen direction.
      var target = dir > 0 ? (Math.floor(k + 1e-6) + 1) * boxWidth
                           : (Math.ceil(k - 1e-6) - 1) * boxWidth;
      if (reduce && reduce.matches) {
        step = null;
        pos = wrap(target);
        paint();
        return;
      }
      // pos is cur wrapped into the set; glide in that frame, unwrapped, so
      // the motion stays continuous across the loop's seam.
      step = { from: pos, to: pos + (target - cur), cur: pos, t0: performance.now() };
      schedule();
    }

    if (prev) prev.addEventListener("click", function () { stepBy(-1); });
    if (next) next.addEventListener("click", function () { stepBy(1); });

    var zone = frame || view;
    // Only a mouse pauses the strip: a finger gives no "leave" to resume it.
    zone.addEventListener("pointerenter", function (e) {
      if (e.pointerType !== "touch") hovered = true;
    });
    zone.addEventListener("pointerleave", function () { hovered = false; schedule(); });
    zone.addEventListener("keydown", function (e) {
      if (e.key === "ArrowLeft") { stepBy(-1); e.preventDefault(); }
      else if (e.key === "ArrowRight") { stepBy(1); e.preventDefault(); }
    });

    strip.addEventListener("focusin", function (e) {
      focused = true;
      step = null;
      // Bring the focused box into view; the browser may also have scrolled
      // the clipped container itself, which the strip does not use.
      view.scrollLeft = 0;
      var box = e.target.closest ? e.target.closest(".eventitem") : null;
      if (box) {
        var left = box.offsetLeft - parseFloat(getComputedStyle(box).marginLeft);
        if (wrap(left - pos) + boxWidth > viewWidth) {
          pos = wrap(left);
          paint();
        }
      }
    });
    strip.addEventListener("focusout", function () { focused = false; schedule(); });
    view.addEventListener("scroll", function () { view.scrollLeft = 0; });

    if (reduce) {
      var onChange = function () { schedule(); };
      if (reduce.addEventListener) reduce.addEventListener("change", onChange);
      else if (reduce.addListener) reduce.addListener(onChange);
    }

    paint();
    schedule();
  }

  if (document.readyState === "loading") {
    document.addEventListener("DOMContentLoaded", start);
  } else {
    // The "var speed" line at the end of this file has not run yet.
    window.setTimeout(start, 0);
  }
})();
