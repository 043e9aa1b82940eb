#pragma once

// Tests write Chinese literals in UTF-8 and compare GBK bytes.

#include <string>

namespace velmora::test {

// The GBK bytes of a UTF-8 text.
std::string gbk(const char *utf8);
std::string gbk(const std::string &utf8);

// The UTF-8 form of GBK bytes, for readable failure messages.
std::string utf8FromGbk(const std::string &gbkBytes);

} // namespace velmora::test
