#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small pure text functions shared by every generator and reader.
namespace almanix {

// ---- Generator helpers (their results are what the pages quote) ----

// n copies of "&nbsp;"; empty for n <= 0.
std::string NbspRun(int n);
// "0" + text when the text has exactly one character, else the text.
std::string PadTwo(std::string_view text);
// Decimal digits of n, with a leading "0" when n <= 9 ("05", "00", "10").
std::string TwoDigits(int n);
// Appends n in decimal with zeros in front up to min_digits characters, the
// sign counted among them: printf's "%0*d" ("0042", "-05", "12345").
void AppendZeroPadded(std::string& out, long long n, int min_digits);
// "'" + text + "'", nothing escaped.
std::string SingleQuoted(std::string_view text);
// "T" or "F".
std::string BoolToTF(bool flag);
// Empty when the colour is blank; otherwise
// Style="background-color:<colour untrimmed>;"
std::string BackgroundStyleAttr(std::string_view colour);
// Case-insensitive substring test.
bool ContainsText(std::string_view needle, std::string_view text);
// "<" and ">" escaped; quotes and ampersands left alone.
std::string HtmlText(std::string_view text);
// Blank, "&", '"', "'", "<", ">" replaced in that order by "%20", "&amp;",
// "&quot;", "&apos;", "&lt;", "&gt;".
std::string UrlText(std::string_view text);
// "&nbsp;" becomes a blank, then "&", '"', "'", "<", ">" are escaped as
// entities in that order.
std::string XmlText(std::string_view text);
// A link address as a double-quoted attribute value that nothing in it can
// end: blanks, double quotes, angle brackets and control characters are
// percent-encoded; the rest (ampersands included) is kept.
std::string QuotedUrl(std::string_view url);
// A text as one value of an address's query ("?a=VALUE&b=..."): what would
// end the value or change its meaning ("&", "#", "+", "=", "%"), blanks,
// quotes, angle brackets and control characters are percent-encoded;
// letters, digits, other marks and UTF-8 bytes are kept.
std::string QueryValue(std::string_view text);
// XmlText without the "&nbsp;" step: every character XML gives a meaning.
std::string XmlEntities(std::string_view text);
// Double quotes removed, commas replaced by blanks.
std::string ListText(std::string_view text);
// Characters between "<" and ">" dropped; the walk starts keeping, so text
// before the first tag is kept.
std::string TagText(std::string_view text);

// ---- General helpers ----

// Trims characters <= ' ' (blanks, tabs, line breaks, control characters).
std::string Trim(std::string_view text);
// The same as a view into the text, for callers that only read it.
std::string_view TrimView(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
// ASCII case mapping; other bytes pass unchanged, so UTF-8 stays valid.
std::string ToLower(std::string_view text);
std::string ToUpper(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Every occurrence of `from` (non-empty) replaced by `to`, left to right.
std::string ReplaceAll(std::string_view text, std::string_view from,
                       std::string_view to);
// The same appended to *out, for a caller that keeps its buffer.
void ReplaceAllInto(std::string_view text, std::string_view from, std::string_view to,
                    std::string* out);
// Splits on every occurrence of the separator; "a,,b" gives three parts.
std::vector<std::string> Split(std::string_view text, char separator);
// Splits into lines at LF, CR LF or CR; a final line break adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);
// Joins lines, each followed by the line end ("\r\n" for generated files).
std::string JoinLines(const std::vector<std::string>& lines,
                      std::string_view line_end = "\r\n");
// A whole number in 32-bit range: optional blanks, optional sign, decimal
// digits, optional blanks. Anything else (empty, junk, overflow) is nullopt.
std::optional<int> ParseInt(std::string_view text);
// A decimal floating number ("." as the point); nullopt when not one.
std::optional<double> ParseDouble(std::string_view text);

}  // namespace almanix
