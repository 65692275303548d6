/* "Add to my calendar": the Google Calendar and Outlook on the web links.
 *
 * The pages carry each event's texts once (data-n, data-d, data-l: name,
 * details, place, on its first entry of the page) and each entry only what
 * is its own: data-e, the event's number on the page, and data-t, the date
 * of an all-day event (yyyymmdd) or its start in UTC and its length in
 * minutes ("yyyymmddThhmm+90"). The two addresses are made here,
 * byte for byte as the program made them when it wrote them out in full.
 *
 * In the event list and Upcoming each span.AddToCalendar holds the link to
 * the event's .ics file, which works without this script; the two links are
 * added after it. The month pages' pop-ups hold an empty span with data-ics
 * and data-label instead, which popup.js has AlmanixAddLinks.line turn into
 * the whole line when it shows the details.
 */
var AlmanixAddLinks = (function () {
  "use strict";
  if (!document.querySelectorAll) return null;

  var texts = null; // data-e -> {n, d, l}

  function textsOf(number) {
    if (!texts) {
      texts = {};
      var spans = document.querySelectorAll("span.AddToCalendar[data-n]");
      for (var i = 0; i < spans.length; i++) {
        var s = spans[i];
        var key = s.getAttribute("data-e");
        if (!texts.hasOwnProperty(key)) {
          texts[key] = {n: s.getAttribute("data-n"), d: s.getAttribute("data-d") || "",
                        l: s.getAttribute("data-l") || ""};
        }
      }
    }
    return texts.hasOwnProperty(number) ? texts[number] : null;
  }

  // Letters, digits and "-_.~" stay, every other byte of the UTF-8 text
  // becomes %XX: encodeURIComponent leaves "!'()*" as well.
  function encode(text) {
    return encodeURIComponent(text).replace(/[!'()*]/g, function (c) {
      return "%" + c.charCodeAt(0).toString(16).toUpperCase();
    });
  }

  function two(n) {
    return (n < 10 ? "0" : "") + n;
  }

  // The day after yyyymmdd, as [year, month, day].
  function nextDay(year, month, day) {
    var leap = (year % 4 === 0 && year % 100 !== 0) || year % 400 === 0;
    var days = [31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31][month - 1];
    if (day < days) return [year, month, day + 1];
    if (month < 12) return [year, month + 1, 1];
    return [year + 1, 1, 1];
  }

  // "yyyymmddThhmmssZ" -> "yyyy-mm-ddThh:mm:ssZ"
  function isoUtc(stamp) {
    return stamp.slice(0, 4) + "-" + stamp.slice(4, 6) + "-" + stamp.slice(6, 8) + "T" +
        stamp.slice(9, 11) + ":" + stamp.slice(11, 13) + ":" + stamp.slice(13, 15) + "Z";
  }

  // "yyyymmddThhmm+90" -> ["yyyymmddThhmm00Z", the end likewise]; null when
  // it is none.
  function utcSpan(when) {
    var m = /^(\d{4,})(\d\d)(\d\d)T(\d\d)(\d\d)([+-]\d+)$/.exec(when);
    if (!m) return null;
    var end = new Date(0);
    end.setUTCFullYear(+m[1], +m[2] - 1, +m[3]);
    end.setUTCHours(+m[4], +m[5] + +m[6], 0, 0);
    var year = end.getUTCFullYear();
    return [m[1] + m[2] + m[3] + "T" + m[4] + m[5] + "00Z",
            (year < 1000 ? ("000" + year).slice(-4) : "" + year) + two(end.getUTCMonth() + 1) +
                two(end.getUTCDate()) + "T" + two(end.getUTCHours()) +
                two(end.getUTCMinutes()) + "00Z"];
  }

  // The Google Calendar and Outlook addresses of an entry's span, or null
  // when its event's texts are not on the page.
  function addresses(span) {
    var t = textsOf(span.getAttribute("data-e"));
    var when = span.getAttribute("data-t") || "";
    if (!t || !when) return null;
    var dates, times;
    if (/^\d+$/.test(when)) {
      var year = +when.slice(0, when.length - 4);
      var month = +when.slice(when.length - 4, when.length - 2);
      var day = +when.slice(when.length - 2);
      var next = nextDay(year, month, day);
      dates = when + "/" + next[0] + two(next[1]) + two(next[2]);
      times = "&startdt=" + year + "-" + two(month) + "-" + two(day) +
          "&enddt=" + next[0] + "-" + two(next[1]) + "-" + two(next[2]) + "&allday=true";
    } else {
      var span = utcSpan(when);
      if (!span) return null;
      dates = span[0] + "/" + span[1];
      times = "&startdt=" + encode(isoUtc(span[0])) + "&enddt=" + encode(isoUtc(span[1])) +
          "&allday=false";
    }
    var name = encode(t.n), details = encode(t.d), place = encode(t.l);
    return {
      name: t.n.replace(/\r\n?/g, "\n"),
      google: "https://calendar.google.com/calendar/render?action=TEMPLATE&text=" + name +
          "&dates=" + dates + "&details=" + details + "&location=" + place,
      outlook: "https://outlook.live.com/calendar/0/deeplink/compose?path=%2Fcalendar%2Faction%2Fcompose" +
          "&rru=addevent&subject=" + name + times + "&body=" + details + "&location=" + place
    };
  }

  function link(href, text, label, download) {
    var a = document.createElement("a");
    a.setAttribute("href", href);
    a.textContent = text;
    a.setAttribute("aria-label", label);
    if (download) {
      a.setAttribute("download", "");
    } else {
      a.target = "_blank";
      a.rel = "noopener";
    }
    return a;
  }

  function appendWebLinks(span, to) {
    var a = addresses(span);
    if (!a) return false;
    to.appendChild(document.createTextNode(" | "));
    to.appendChild(link(a.google, "Google", a.name + ": Google Calendar", false));
    to.appendChild(document.createTextNode(" | "));
    to.appendChild(link(a.outlook, "Outlook", a.name + ": Outlook", false));
    return true;
  }

  // A pop-up's empty span made into the line the event list shows.
  function line(span) {
    var a = addresses(span);
    var out = document.createElement("span");
    out.className = "AddToCalendar";
    out.appendChild(document.createTextNode((span.getAttribute("data-label") || "") + ": "));
    out.appendChild(link(span.getAttribute("data-ics"), "iCalendar",
                         (a ? a.name : "") + ": iCalendar", true));
    appendWebLinks(span, out);
    return out;
  }

  function completeAll() {
    var spans = document.querySelectorAll("span.AddToCalendar[data-t]");
    for (var i = 0; i < spans.length; i++) {
      if (spans[i].hasAttribute("data-ics")) continue; // a pop-up's, made when shown
      appendWebLinks(spans[i], spans[i]);
    }
  }

  if (document.readyState === "loading") {
    document.addEventListener("DOMContentLoaded", completeAll, false);
  } else {
    completeAll();
  }
  return {line: line};
})();
