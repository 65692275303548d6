#pragma once

#include <string>
#include <string_view>
#include <vector>

// Comma text: the list form used by settings values and folder listings.
// Items are separated by commas; an item holding a blank, a comma or a quote
// is written in double quotes with inner quotes doubled; empty items are kept.
namespace almanix {

// Reading: blanks before an item and after a comma are skipped; an unquoted
// item runs to the next comma and loses its trailing blanks; a quoted item
// ends at its closing quote (a doubled quote stands for one quote). "" gives
// no items, "a," gives "a" and "", ",," gives three empty items.
std::vector<std::string> SplitCommaText(std::string_view text);

// Writing: the inverse of SplitCommaText for any list. Empty items are written
// as nothing, except a list of one empty item, which is written as "".
std::string JoinCommaText(const std::vector<std::string>& items);

}  // namespace almanix
