/* Event details of the month pages, opened by click, tap, keyboard focus or
 * hover.
 *
 * Each entry with details is an a.itr link holding a hidden span (.bpop,
 * .bpopleft, .bpopupright, .bpopupleft; the "..." link of a busy day holds
 * one too). Without this script popup.css shows the span while the link is
 * hovered or focused, inside the day cell, where a style's overflow rules
 * can cut it off. With it, the details are shown in one box of the page's
 * own (div.itr-float), placed under or over the entry and kept inside the
 * window, so no cell or canvas clips it.
 *
 * A click or tap on an entry whose details are not open opens them and
 * stays on the page; a second one follows the link. Escape, a click
 * elsewhere or moving the focus on closes them.
 */
(function () {
  "use strict";
  if (!document.addEventListener || !document.querySelector) return;

  var SPANS = "span.bpop, span.bpopleft, span.bpopupright, span.bpopupleft";
  var MARGIN = 8;   // px kept free between the box and the window's edges
  var box = null;     // the shared div.itr-float
  var owner = null;   // the a.itr whose details it shows
  var pinned = false; // opened by a click or tap: the next one follows the link
  var byHover = false;
  var touchedAt = 0;  // a tap also sends mouseover, which is not a hover
  var returning = false; // the focus goes back to an entry whose box just closed

  document.documentElement.className += " itr-js";

  function entryOf(node) {
    while (node && node !== document) {
      if (node.nodeType === 1 && /(^|\s)itr(\s|$)/.test(node.className) &&
          node.querySelector(SPANS)) {
        return node;
      }
      node = node.parentNode;
    }
    return null;
  }

  function floatBox() {
    if (!box) {
      box = document.createElement("div");
      box.className = "itr-float";
      box.id = "itr-float";
      box.setAttribute("role", "tooltip");
      box.hidden = true;
      document.body.appendChild(box);
    }
    return box;
  }

  // The details inside the entry's own link cannot hold links: "Add to my
  // calendar" comes as an empty span.AddToCalendar with the event's file and
  // data, and becomes its links here (addlinks.js), in the box of our own.
  function addLinks(b) {
    if (typeof AlmanixAddLinks === "undefined" || !AlmanixAddLinks) return;
    var spans = b.querySelectorAll("span.AddToCalendar[data-ics]");
    for (var i = 0; i < spans.length; i++) {
      spans[i].parentNode.replaceChild(AlmanixAddLinks.line(spans[i]), spans[i]);
    }
  }

  function place(entry) {
    var b = floatBox();
    var r = entry.getBoundingClientRect();
    var vw = document.documentElement.clientWidth || window.innerWidth;
    var vh = window.innerHeight;
    b.style.maxWidth = Math.max(160, vw - 2 * MARGIN) + "px";
    b.style.left = "0px";
    b.style.top = "0px";
    var w = b.offsetWidth, h = b.offsetHeight;
    var left = Math.min(r.left, vw - MARGIN - w);
    left = Math.max(MARGIN, left);
    // Under the entry when there is room, else over it, else where it fits best.
    var top = r.bottom + 6;
    if (top + h > vh - MARGIN && r.top - 6 - h >= MARGIN) top = r.top - 6 - h;
    b.style.left = Math.round(left + window.pageXOffset) + "px";
    b.style.top = Math.round(top + window.pageYOffset) + "px";
  }

  function open(entry, hover) {
    var span = entry.querySelector(SPANS);
    if (!span) return;
    var b = floatBox();
    if (owner !== entry) {
      while (b.firstChild) b.removeChild(b.firstChild);
      for (var n = span.firstChild; n; n = n.nextSibling) b.appendChild(n.cloneNode(true));
      addLinks(b);
      if (owner) owner.removeAttribute("aria-describedby");
      owner = entry;
      pinned = false;
      entry.setAttribute("aria-describedby", b.id);
    }
    byHover = hover;
    b.hidden = false;
    place(entry);
  }

  function close() {
    if (box) box.hidden = true;
    if (owner) owner.removeAttribute("aria-describedby");
    owner = null;
    pinned = byHover = false;
  }

  document.addEventListener("touchstart", function () {
    touchedAt = Date.now();
  }, {passive: true, capture: true});

  document.addEventListener("click", function (e) {
    var entry = entryOf(e.target);
    if (entry) {
      // Enter on a focused entry (detail 0) follows the link: the focus
      // has shown the details already.
      if (e.detail === 0 && owner === entry) return;
      if (owner === entry && pinned) return;
      e.preventDefault();
      open(entry, false);
      pinned = true;
      return;
    }
    if (box && !box.contains(e.target)) close();
  }, false);

  document.addEventListener("focusin", function (e) {
    if (returning) return;
    var entry = entryOf(e.target);
    if (entry) {
      if (owner !== entry) open(entry, false);
      else byHover = false;
    } else if (owner && box && !box.contains(e.target)) {
      close();
    }
  }, false);

  document.addEventListener("mouseover", function (e) {
    if (Date.now() - touchedAt < 1000) return;
    var entry = entryOf(e.target);
    if (entry && owner !== entry && !pinned) open(entry, true);
  }, false);

  document.addEventListener("mouseout", function (e) {
    if (!byHover || pinned || !owner) return;
    var to = e.relatedTarget;
    if (to && (owner.contains(to) || box.contains(to))) return;
    close();
  }, false);

  // The box hangs at the end of the page, so Tab from the entry would skip
  // its links: Tab leads from the entry into the box and from its last link
  // on to what follows the entry, Shift+Tab back again.
  function tabbables() {
    var all = document.querySelectorAll("a[href], button, input, select, textarea, [tabindex]");
    var out = [];
    for (var i = 0; i < all.length; i++) {
      var n = all[i];
      if (n.disabled || n.tabIndex < 0 || (box && box.contains(n))) continue;
      out.push(n);
    }
    return out;
  }

  function moveTab(e) {
    if (!owner || !box || box.hidden) return false;
    var links = box.querySelectorAll("a[href]");
    if (!links.length) return false;
    var at = document.activeElement;
    if (!e.shiftKey && at === owner) {
      links[0].focus();
      return true;
    }
    if (e.shiftKey && at === links[0]) {
      owner.focus();
      return true;
    }
    if (!e.shiftKey && at === links[links.length - 1]) {
      var order = tabbables();
      for (var i = 0; i < order.length; i++) {
        if (order[i] === owner) {
          if (i + 1 < order.length) order[i + 1].focus();
          else close();
          return true;
        }
      }
    }
    return false;
  }

  document.addEventListener("keydown", function (e) {
    if ((e.key === "Escape" || e.key === "Esc" || e.keyCode === 27) && owner) {
      var back = owner;
      var inBox = box && box.contains(document.activeElement);
      close();
      if (inBox) {
        returning = true;
        back.focus();
        returning = false;
      }
      return;
    }
    if ((e.key === "Tab" || e.keyCode === 9) && moveTab(e)) e.preventDefault();
  }, false);

  window.addEventListener("resize", function () {
    if (owner) place(owner);
  }, false);
})();

/* On a narrow window the month style sheets turn the grid into a list of
 * days. A style sheet cannot tell a day with only its number from a day
 * with a plain-text note, so the days with nothing are marked here
 * (td.day-empty), and each day number is given its weekday from the column
 * head (data-weekday), in the calendar's own language. Without the script
 * every day is listed, with its number only.
 */
(function () {
  "use strict";
  if (!document.querySelectorAll) return;

  function isDateLink(node) {
    return node.nodeType === 1 &&
        (/(^|\s)Date(\s|$)/.test(node.className) || node.querySelector("div.Date"));
  }

  function hasSomething(cell) {
    var first = true;
    for (var n = cell.firstChild; n; n = n.nextSibling) {
      if (n.nodeType === 3) {
        if (n.nodeValue.replace(/[\s\u00a0]+/g, "") !== "") return true;
      } else if (n.nodeType === 1) {
        if (first && isDateLink(n)) {
          first = false;
          continue;
        }
        first = false;
        if (n.tagName !== "BR") return true;
      }
    }
    return false;
  }

  function mark() {
    var tables = document.querySelectorAll("table.calendar");
    for (var t = 0; t < tables.length; t++) {
      var heads = tables[t].querySelectorAll("th.Weekdays");
      var rows = tables[t].rows;
      for (var r = 0; r < rows.length; r++) {
        var column = 0;
        for (var c = 0; c < rows[r].cells.length; c++) {
          var cell = rows[r].cells[c];
          var date = cell.querySelector("div.Date");
          if (cell.tagName === "TD" && date) {
            if (heads[column]) {
              date.setAttribute("data-weekday", heads[column].textContent.replace(/^\s+|\s+$/g, ""));
            }
            if (!hasSomething(cell)) cell.className += " day-empty";
          }
          column += cell.colSpan || 1;
        }
      }
    }
  }

  if (document.readyState === "loading") {
    document.addEventListener("DOMContentLoaded", mark, false);
  } else {
    mark();
  }
})();
