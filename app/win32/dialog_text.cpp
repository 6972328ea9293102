#include "app/win32/dialogs.h"

#include <vector>

namespace {

std::string SelectedText(HWND control, UINT getSelection, UINT getLength, UINT getText)
{
    const LRESULT selection = SendMessageA(control, getSelection, 0, 0);
    if (selection < 0)
        return {};
    const LRESULT length = SendMessageA(control, getLength, static_cast<WPARAM>(selection), 0);
    if (length < 0)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(control, getText, static_cast<WPARAM>(selection), reinterpret_cast<LPARAM>(buffer.data()));
    buffer.back() = '\0';
    return std::string(buffer.data());
}

} // namespace

std::string SelectedComboText(HWND combo)
{
    return SelectedText(combo, CB_GETCURSEL, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

std::string SelectedListText(HWND list)
{
    return SelectedText(list, LB_GETCURSEL, LB_GETTEXTLEN, LB_GETTEXT);
}

void ShowNoConfiguration(HWND owner)
{
    MessageBoxA(owner, "No configuration dialog available.", "No configuration", MB_ICONINFORMATION | MB_OK);
}
