#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Texts from other people's files (CSV and iCalendar alike). The calendar's
// fields hold HTML that is published as it stands, so a stranger's text is
// made plain before it is stored: only what the owner types may carry HTML
// onto the site.
namespace almanix::exchange {

// Plain text as the fields hold it: every control character (line breaks
// and tabs included; a CR LF pair counts as one) becomes a blank, then "&",
// "<" and ">" are escaped as entities.
std::string ForeignText(std::string_view text);

// The first n characters of a ForeignText result, without a piece of an
// entity at the end ("&l" of a cut "&lt;" is dropped).
std::string CutForeignText(std::string_view text, std::size_t n);

// A link address kept only for http, https, mailto and relative addresses,
// and only without quotes, blanks or angle brackets that would end it where
// a page writes it; anything else gives "http://", the value meaning none.
std::string ForeignUrl(std::string_view url);

// A text shown in a message or on a terminal: control characters, the C1
// controls and the bidirectional overrides are written as escapes ("\n",
// "\t", "\x1b", "\u202e"), so a bad file cannot drive the terminal.
std::string PrintableText(std::string_view text);

}  // namespace almanix::exchange
