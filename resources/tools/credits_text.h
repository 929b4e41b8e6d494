// The credits as a person writes them, turned into the scroller's page list.
//
// The text file holds one line of credits per line (LF or CRLF line ends); a line holding only a
// form feed starts a new page. Lines are drawn right-aligned, so their trailing spaces decide where
// the words fall. Only printable ASCII is allowed, at most 200 characters a line.
#pragma once

#include <string>

namespace resources {

// Every line ended by a carriage return, every page by a NUL, the list by an empty page. False,
// with what is wrong (naming the line), when the text cannot make a page list.
bool creditsPages(const std::string& text, std::string& pages, std::string& fault);

}  // namespace resources
