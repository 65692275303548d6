/*
 * Overlay box for the published calendar pages.
 *
 * A link with the class "thickbox" opens in a box over the page instead of
 * replacing it. The calendar writes such links as
 *
 *     <a href="EventList2025.html#M3D5?KeepThis=true&TB_iframe=true&height=500&width=510" class="thickbox">
 *     <a href="Year.html?KeepThis=true&TB_iframe=true&height=500&width=700" class="thickbox">
 *
 * TB_iframe=true asks for the page in a frame of the given width and height
 * (in pixels; shrunk to fit a small window). The parameters are not part of
 * the address that is opened: they are cut out wherever they stand, also
 * after a "#" as in the first link, so that frame shows EventList2025.html
 * at the anchor M3D5. A thickbox link without TB_iframe that points to a
 * picture (.jpg, .png, .gif, ...) shows the picture; any other one opens its
 * page in a frame of the given size, or of most of the window.
 *
 * The box sits in the middle of the window over a dimmed backdrop, with a
 * close button. Escape, the close button and a click on the backdrop close
 * it (modal=true in the parameters keeps the backdrop from closing it). The
 * keyboard focus moves into the box and goes back to the link on closing.
 * A page shown in the box that loads this script too closes the box when
 * Escape is pressed inside it.
 *
 * Plain DOM only; jquery.js, loaded by the pages before this file, is not
 * needed by it. Scripts may also call AlmanixOverlay.open(href, caption)
 * and AlmanixOverlay.close().
 */
(function () {
  "use strict";

  if (window.AlmanixOverlay) return;          // the script was loaded twice

  var MESSAGE = "almanix-overlay-close";
  var PICTURE = /\.(jpe?g|png|gif|bmp|webp|avif|svg)$/i;
  var OWN_KEY = /^(keepthis|tb_[a-z_]+|height|width|modal)$/i;

  var current = null;   // the open box: {root, box, closeBtn, frame, opener, modal}

  // ---- the link's address and its box parameters ----

  function decode(text) {
    try { return decodeURIComponent(text.replace(/\+/g, " ")); } catch (e) { return text; }
  }

  function splitLink(href) {
    var found = /[?&](?:KeepThis|TB_[A-Za-z_]+)=/i.exec(href);
    if (!found) return { url: href, params: {} };
    var q = href.charAt(found.index) === "?" ? found.index : href.lastIndexOf("?", found.index);
    var end = href.indexOf("#", q);
    if (end < 0) end = href.length;
    var params = {};
    var keep = [];
    href.slice(q + 1, end).split("&").forEach(function (pair) {
      if (!pair) return;
      var eq = pair.indexOf("=");
      var key = decode(eq < 0 ? pair : pair.slice(0, eq));
      if (OWN_KEY.test(key)) params[key.toLowerCase()] = decode(eq < 0 ? "" : pair.slice(eq + 1));
      else keep.push(pair);
    });
    return {
      url: href.slice(0, q) + (keep.length ? "?" + keep.join("&") : "") + href.slice(end),
      params: params
    };
  }

  function pathOf(url) {
    return url.split("#")[0].split("?")[0];
  }

  function size(text) {
    var n = parseInt(text, 10);
    return n > 0 ? n : 0;
  }

  // ---- building, opening and closing the box ----

  function el(tag, cls) {
    var node = document.createElement(tag);
    if (cls) node.className = cls;
    return node;
  }

  function open(href, caption, opener) {
    if (current) close();
    var link = splitLink(String(href));
    var p = link.params;
    var asFrame = String(p.tb_iframe).toLowerCase() === "true" || !PICTURE.test(pathOf(link.url));

    var root = el("div", "tbx-root");
    var box = el("div", "tbx-box");
    box.setAttribute("role", "dialog");
    box.setAttribute("aria-modal", "true");
    box.setAttribute("aria-label", caption || (asFrame ? "Page" : "Picture"));
    box.tabIndex = -1;
    var bar = el("div", "tbx-bar");
    var title = el("span", "tbx-caption");
    title.textContent = caption || "";
    var closeBtn = el("button", "tbx-close");
    closeBtn.type = "button";
    closeBtn.setAttribute("aria-label", "Close");
    closeBtn.title = "Close (Esc)";
    closeBtn.textContent = "\u00D7";
    bar.appendChild(title);
    bar.appendChild(closeBtn);
    var body = el("div", "tbx-body tbx-loading");
    box.appendChild(bar);
    box.appendChild(body);
    root.appendChild(box);

    var state = {
      root: root, box: box, closeBtn: closeBtn, frame: null,
      opener: opener || null, modal: String(p.modal).toLowerCase() === "true"
    };

    if (asFrame) {
      var w = size(p.width), h = size(p.height);
      body.className += " tbx-framed";
      body.style.width = w ? w + "px" : "88vw";
      body.style.height = h ? h + "px" : "80vh";
      var frame = el("iframe", "tbx-frame");
      frame.title = caption || "Page";
      frame.setAttribute("frameborder", "0");
      frame.addEventListener("load", function () {
        body.classList.remove("tbx-loading");
        frame.classList.add("tbx-ready");
        try {   // a page of the same site: Escape inside it closes the box too
          frame.contentDocument.addEventListener("keydown", onKey, true);
        } catch (e) { /* another site: it may send MESSAGE instead */ }
      });
      frame.src = link.url;
      body.appendChild(frame);
      state.frame = frame;
    } else {
      body.className += " tbx-pictured";
      var img = el("img", "tbx-picture");
      img.alt = caption || "";
      img.addEventListener("load", function () {
        body.classList.remove("tbx-loading");
        img.classList.add("tbx-ready");
      });
      img.addEventListener("error", function () {
        body.classList.remove("tbx-loading");
        var note = el("p", "tbx-note");
        note.textContent = "The picture could not be loaded.";
        body.replaceChild(note, img);
      });
      img.src = link.url;
      body.appendChild(img);
    }

    closeBtn.addEventListener("click", close);
    root.addEventListener("click", function (e) {
      if (e.target === root && !state.modal) close();
    });

    current = state;
    document.documentElement.classList.add("tbx-open");
    document.body.appendChild(root);
    closeBtn.focus();
  }

  function close() {
    if (!current) return;
    var state = current;
    current = null;
    if (state.frame) {
      try { state.frame.contentDocument.removeEventListener("keydown", onKey, true); } catch (e) { /* other site */ }
    }
    if (state.root.parentNode) state.root.parentNode.removeChild(state.root);
    document.documentElement.classList.remove("tbx-open");
    var back = state.opener;
    if (back && document.documentElement.contains(back) && back.focus) back.focus();
  }

  // ---- keyboard, focus and messages ----

  function focusables() {
    var list = [current.closeBtn];
    if (current.frame) list.push(current.frame);
    return list;
  }

  function onKey(e) {
    if (!current) return;
    if (e.key === "Escape" || e.key === "Esc") {
      e.preventDefault();
      e.stopPropagation();
      close();
    } else if (e.key === "Tab" && e.target.ownerDocument === document) {
      var list = focusables();
      var i = list.indexOf(document.activeElement);
      var next = e.shiftKey ? (i <= 0 ? list.length - 1 : i - 1) : (i + 1) % list.length;
      if (i < 0) next = 0;
      e.preventDefault();
      list[next].focus();
    }
  }

  document.addEventListener("keydown", onKey, true);

  // Focus that wanders out of the box (say, Tab out of the framed page) is
  // brought back to the close button.
  document.addEventListener("focusin", function (e) {
    if (current && !current.box.contains(e.target)) current.closeBtn.focus();
  }, true);

  window.addEventListener("message", function (e) {
    if (current && current.frame && e.source === current.frame.contentWindow &&
        e.data && e.data.type === MESSAGE) close();
  });

  // Inside a box: Escape asks the page around to close it.
  if (window.parent && window.parent !== window) {
    document.addEventListener("keydown", function (e) {
      if ((e.key === "Escape" || e.key === "Esc") && !current) {
        window.parent.postMessage({ type: MESSAGE }, "*");
      }
    });
  }

  // ---- the links ----

  document.addEventListener("click", function (e) {
    if (e.defaultPrevented || e.button !== 0 || e.metaKey || e.ctrlKey || e.shiftKey || e.altKey) return;
    var a = e.target && e.target.closest ? e.target.closest("a.thickbox") : null;
    if (!a) return;
    var href = a.getAttribute("href");
    if (!href || href.charAt(0) === "#" || /^\s*javascript:/i.test(href)) return;
    e.preventDefault();
    open(href, a.title || a.getAttribute("aria-label") || "", a);
  });

  window.AlmanixOverlay = {
    open: function (href, caption) { open(href, caption, document.activeElement); },
    close: close,
    split: splitLink
  };
})();
