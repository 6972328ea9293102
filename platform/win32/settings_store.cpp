#include <windows.h>

#include "platform/settings_store.h"

namespace platform {

struct SettingsKey::State {
    HKEY key = nullptr;
    bool writable = false;
};

SettingsKey::SettingsKey() = default;

SettingsKey::~SettingsKey()
{
    Close();
}

bool SettingsKey::Create(const std::string& path)
{
    Close();
    char keyClass[] = "*";
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    state = std::make_unique<State>();
    state->key = key;
    state->writable = true;
    return true;
}

bool SettingsKey::Open(const std::string& path)
{
    Close();
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    state = std::make_unique<State>();
    state->key = key;
    return true;
}

bool SettingsKey::SetValue(const std::string& name, std::uint32_t type, const void* data, std::size_t size)
{
    if (!state || !state->writable || size > MAXDWORD)
        return false;
    return RegSetValueExA(state->key, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

bool SettingsKey::QueryValue(const std::string& name, std::vector<unsigned char>& data) const
{
    if (!state || state->writable)
        return false;
    DWORD size = 0;
    if (RegQueryValueExA(state->key, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    // The value may grow between the two queries (another writer): ask again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        data.resize(size);
        if (size == 0)
            return true;
        const LONG result = RegQueryValueExA(state->key, name.c_str(), nullptr, nullptr, data.data(), &size);
        if (result == ERROR_SUCCESS) {
            data.resize(size);
            return true;
        }
        if (result != ERROR_MORE_DATA)
            return false;
    }
    return false;
}

void SettingsKey::Close()
{
    if (state && state->key != nullptr)
        RegCloseKey(state->key);
    state.reset();
}

} // namespace platform
