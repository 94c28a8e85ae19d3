#pragma once
// printf-style formatting of texts that come from language files. A translated text may carry
// any conversion, so each %d, %u, %x or %s takes the next argument converted to the text it
// asks for; %% is a percent sign; other conversions and missing arguments produce nothing.
// Flags, width and precision (as in "%04d") are honoured for numbers.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace halvric {

using FormatArg = std::variant<long long, std::string>;

std::string SafeFormat(std::string_view format, const std::vector<FormatArg>& args);

}  // namespace halvric
