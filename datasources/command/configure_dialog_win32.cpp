// The Commands dialog on Windows ("Configure plugins"): the list of
// commands, the fields of the selected one, and Add, Update and Remove.
#include <windows.h>

#include <string>
#include <vector>

#include "datasources/command/command_list.h"
#include "datasources/command/configure.h"
#include "plugin/api/glancer_plugin.h"
#include "plugin/api/glancer_settings.hpp"

namespace commands {
namespace {

// The fields' edit controls are kId and the four after it, in the order of Fields().
enum : WORD { kList = 100, kId, kAdd = 110, kUpdate, kRemove };

glancer::DialogTemplate BuildTemplate()
{
    glancer::DialogTemplate dialog("Commands", 280, 214);
    dialog.AddListBox(kList, 7, 7, 266, 70);
    for (std::size_t row = 0; row < Fields().List().size(); ++row) {
        const auto y = static_cast<short>(84 + 16 * row);
        dialog.AddStatic((Fields().Question(row) + ":").c_str(), glancer::DialogTemplate::kNoId, 7,
                         static_cast<short>(y + 2), 130, 8);
        dialog.AddEdit(static_cast<WORD>(kId + row), 140, y, 133, 12);
    }
    dialog.AddButton("Add", kAdd, 7, 166, 50, 14);
    dialog.AddButton("Update", kUpdate, 61, 166, 50, 14);
    dialog.AddButton("Remove", kRemove, 115, 166, 50, 14);
    dialog.AddStatic("Changes take effect when Glancer next starts.", glancer::DialogTemplate::kNoId, 7, 186, 266, 8);
    dialog.AddButton("OK", IDOK, 167, 196, 50, 14, BS_DEFPUSHBUTTON);
    dialog.AddButton("Cancel", IDCANCEL, 223, 196, 50, 14);
    return dialog;
}

std::string Text(HWND dialog, WORD id)
{
    char text[GLANCER_TEXT_SIZE] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void Show(HWND dialog, const std::vector<CommandSpec>& entries, int selected)
{
    SendDlgItemMessageA(dialog, kList, LB_RESETCONTENT, 0, 0);
    for (const CommandSpec& spec : entries)
        SendDlgItemMessageA(dialog, kList, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(("Command." + spec.id + ": " + spec.command).c_str()));
    SendDlgItemMessageA(dialog, kList, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void Fill(HWND dialog, const CommandSpec& spec)
{
    for (std::size_t field = 0; field < Fields().List().size(); ++field)
        SetDlgItemTextA(dialog, static_cast<int>(kId + field), FieldText(spec, field).c_str());
}

int Selected(HWND dialog)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, kList, LB_GETCURSEL, 0, 0));
}

// The fields as an entry, or a message box saying why they are not one.
bool Collect(HWND dialog, const std::vector<CommandSpec>& entries, int except, CommandSpec& spec)
{
    for (std::size_t field = 0; field < Fields().List().size(); ++field)
        SetField(spec, field, Text(dialog, static_cast<WORD>(kId + field)));
    const std::string problem = Problem(spec, IdsExcept(entries, static_cast<std::size_t>(except)));
    if (problem.empty())
        return true;
    MessageBoxA(dialog, ("This command " + problem + ".").c_str(), "Invalid setting", MB_ICONEXCLAMATION | MB_OK);
    return false;
}

INT_PTR HandleCommand(HWND dialog, std::vector<CommandSpec>& entries, WORD id, WORD code)
{
    const int selected = Selected(dialog);
    const bool valid = selected >= 0 && selected < static_cast<int>(entries.size());
    CommandSpec spec;
    switch (id) {
    case kList:
        if (code == LBN_SELCHANGE && valid)
            Fill(dialog, entries[static_cast<std::size_t>(selected)]);
        return TRUE;
    case kAdd:
        if (Collect(dialog, entries, -1, spec)) {
            entries.push_back(spec);
            Show(dialog, entries, static_cast<int>(entries.size()) - 1);
        }
        return TRUE;
    case kUpdate:
        if (valid && Collect(dialog, entries, selected, spec)) {
            entries[static_cast<std::size_t>(selected)] = spec;
            Show(dialog, entries, selected);
        }
        return TRUE;
    case kRemove:
        if (valid) {
            entries.erase(entries.begin() + selected);
            Show(dialog, entries, -1);
        }
        return TRUE;
    case IDOK:
        WriteStored(entries);
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        auto* entries = reinterpret_cast<std::vector<CommandSpec>*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            entries = reinterpret_cast<std::vector<CommandSpec>*>(lParam);
            Show(dialog, *entries, -1);
            Fill(dialog, CommandSpec{});
            return TRUE;
        }
        if (message == WM_COMMAND && entries != nullptr)
            return HandleCommand(dialog, *entries, LOWORD(wParam), HIWORD(wParam));
    } catch (...) {
    }
    return FALSE;
}

} // namespace

bool ConfigureCommands()
{
    std::vector<CommandSpec> entries = Entries();
    const glancer::DialogTemplate dialog = BuildTemplate();
    // Owned by the active window of this thread (the plugins dialog), so that one waits.
    dialog.Show(GetActiveWindow(), DialogProc, reinterpret_cast<LPARAM>(&entries));
    return true;
}

} // namespace commands
