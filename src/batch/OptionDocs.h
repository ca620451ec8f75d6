#pragma once
// The manual page and the shell completions of rimvista-batch, made from its option table so
// that they list exactly the options the parser knows (see OptionDocsMain.cpp, run at build time).

#include <string>
#include <string_view>

namespace rimvista::batch {

std::string manualPage(std::string_view version);
std::string bashCompletion();
std::string zshCompletion();
std::string fishCompletion();

}  // namespace rimvista::batch
