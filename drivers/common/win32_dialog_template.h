#pragma once

#include <windows.h>

#include <vector>

namespace glancer_win32 {

// A dialog template built in memory, so a plugin needs no resource script.
// Positions and sizes are in dialog units; texts are ASCII.
class DialogTemplate {
public:
    DialogTemplate(const char* title, short width, short height);

    void AddStatic(const char* text, WORD id, short x, short y, short width, short height, DWORD style = SS_LEFT);
    void AddEdit(WORD id, short x, short y, short width, short height, DWORD style = ES_AUTOHSCROLL);
    void AddButton(const char* text, WORD id, short x, short y, short width, short height, DWORD style = BS_PUSHBUTTON);
    // `height` includes the drop-down list.
    void AddCombo(WORD id, short x, short y, short width, short height, DWORD style = CBS_DROPDOWNLIST);

    // For DialogBoxIndirectParam; valid while this object lives unchanged.
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    // The predefined control classes by their atoms.
    enum : WORD { kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082, kComboBox = 0x0085 };

    void AddItem(WORD atom, const char* text, WORD id, DWORD style, short x, short y, short width, short height);
    void AddDword(DWORD value);
    void AddText(const char* text);
    void AlignToDword();

    // WORDs keep the required alignment; the vector's storage is suitably
    // aligned for DWORDs as well.
    std::vector<WORD> words_;
};

} // namespace glancer_win32
