#include "ui/ControlFactory.h"

#include <cwchar>

#include "ui/ButtonUI.h"
#include "ui/ContainerUI.h"
#include "ui/ControlUI.h"
#include "ui/HorizontalLayoutUI.h"
#include "ui/LabelUI.h"
#include "ui/RichEditUI.h"
#include "ui/SpinnerUI.h"
#include "ui/TabLayoutUI.h"
#include "ui/VerticalLayoutUI.h"

namespace ui {
namespace {

template <typename Control>
CControlUI* make() {
    return new Control();
}

struct Element {
    const wchar_t* name;
    CControlUI* (*create)();
};

// The element names the skins may use; any other name goes to the window's
// custom-control callback.
constexpr Element kElements[] = {
    {L"Control", &make<CControlUI>},
    {L"Container", &make<CContainerUI>},
    {L"VerticalLayout", &make<CVerticalLayoutUI>},
    {L"VBox", &make<CVerticalLayoutUI>},
    {L"HorizontalLayout", &make<CHorizontalLayoutUI>},
    {L"HBox", &make<CHorizontalLayoutUI>},
    {L"TabLayout", &make<CTabLayoutUI>},
    {L"Label", &make<CLabelUI>},
    {L"Button", &make<CButtonUI>},
    {L"RichEdit", &make<CRichEditUI>},
    {L"Spinner", &make<CSpinnerUI>},
};

}  // namespace

CControlUI* create_control(const std::wstring& element_name) {
    for (const Element& element : kElements) {
        if (::_wcsicmp(element.name, element_name.c_str()) == 0) return element.create();
    }
    return nullptr;
}

}  // namespace ui
