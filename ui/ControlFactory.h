#pragma once

#include <string>

namespace ui {

class CControlUI;

// Creates the toolkit control for a skin element name (any case), or none
// for a name the toolkit does not know.
CControlUI* create_control(const std::wstring& element_name);

}  // namespace ui
