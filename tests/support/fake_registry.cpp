// The registry of the test double: keys under HKEY_LOCAL_MACHINE in either
// view, their values in ANSI and, where it differs, in UTF-16.
#include <cstring>

#include "fake_state.h"

using namespace fake_state;

namespace fake {

void AddKey(const std::string& path, View view) {
    std::size_t start = LastComponent(path);
    if (start > 0 && !KeyExists(path.substr(0, start - 1), view)) AddKey(path.substr(0, start - 1), view);
    The().keys[view].emplace(Upper(path), Key{{}, {}, false});
}

void SetValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
              const std::string& data, View view) {
    AddKey(keyPath, view);
    The().keys[view].at(Upper(keyPath)).values[Upper(name)] = {type, data};
}

void SetString(const std::string& keyPath, const std::string& name, const std::string& text, View view) {
    SetValue(keyPath, name, platform::kRegSz, text + '\0', view);
}

void SetWideString(const std::string& keyPath, const std::string& name, const std::u16string& text, View view) {
    AddKey(keyPath, view);
    The().keys[view].at(Upper(keyPath)).wideValues[Upper(name)] = text + u'\0';
}

void DenyFullAccess(const std::string& path, View view) {
    AddKey(path, view);
    The().keys[view].at(Upper(path)).fullAccessDenied = true;
}

bool KeyExists(const std::string& path, View view) { return The().keys[view].count(Upper(path)) != 0; }

std::vector<std::string> Keys(View view) {
    std::vector<std::string> paths;
    for (const auto& key : The().keys[view]) paths.push_back(key.first);
    return paths;
}

bool ValueOf(const std::string& keyPath, const std::string& name, std::uint32_t* type,
             std::string* data, View view) {
    auto key = The().keys[view].find(Upper(keyPath));
    if (key == The().keys[view].end()) return false;
    auto value = key->second.values.find(Upper(name));
    if (value == key->second.values.end()) return false;
    *type = value->second.first;
    *data = value->second.second;
    return true;
}

}  // namespace fake

namespace platform {

namespace {

const long kErrorKeyDeleted = 1018;

// Windows accepts one trailing backslash after a subkey path. The root is
// HKEY_LOCAL_MACHINE or a key the program opened.
std::string KeyName(RegistryKey root, const char* subKey) {
    ExpectRedirection("a registry call");
    auto open = The().openKeys.find(root);
    if (root != kLocalMachine && open == The().openKeys.end()) Misuse("only HKEY_LOCAL_MACHINE is modelled");
    std::string name = (root == kLocalMachine ? "" : open->second.second + "\\") + Upper(Checked(subKey));
    if (!name.empty() && name.back() == '\\') name.pop_back();
    return name;
}

std::string RootName(RegistryKey root) { return root == kLocalMachine ? "HKLM" : "key"; }

// KEY_WOW64_64KEY picks the 64-bit view under WOW64 and is ignored elsewhere.
fake::View ViewOf(std::uint32_t access) {
    return The().wow64 && (access & kKeyWow64_64Key) ? fake::k64BitView : fake::kOwnView;
}

bool HasSubkeys(const std::map<std::string, Key>& keys, const std::string& name) {
    auto first = keys.lower_bound(name + "\\");
    return first != keys.end() && first->first.compare(0, name.size() + 1, name + "\\") == 0;
}

long DeleteKey(const std::string& name, fake::View view) {
    std::map<std::string, Key>& keys = The().keys[view];
    if (keys.count(name) == 0) return kErrorFileNotFound;
    if (HasSubkeys(keys, name)) return kErrorAccessDenied;
    keys.erase(name);
    return kErrorSuccess;
}

}  // namespace

long RegOpenKeyExA(RegistryKey root, const char* subKey, std::uint32_t options, std::uint32_t access,
                   RegistryKey* key) {
    Log("RegOpenKeyExA(" + RootName(root) + ", " + std::string(Checked(subKey)) + ", " + std::to_string(options) + ", " +
        Hex(access) + ")");
    std::string name = KeyName(root, subKey);
    fake::View view = ViewOf(access);
    auto found = The().keys[view].find(name);
    if (found == The().keys[view].end()) return kErrorFileNotFound;
    if (found->second.fullAccessDenied && (access & ~(kKeyRead | kKeyWow64_64Key))) return kErrorAccessDenied;
    *key = NewHandle();
    The().openKeys[*key] = {view, name};
    return kErrorSuccess;
}

long RegQueryValueExA(RegistryKey key, const char* valueName, std::uint32_t* type, unsigned char* data,
                      std::uint32_t* size) {
    Log("RegQueryValueExA(" + std::string(Checked(valueName)) + ", " + std::to_string(*size) + ")");
    ExpectRedirection("RegQueryValueExA");
    auto open = The().openKeys.find(key);
    if (open == The().openKeys.end()) Misuse("RegQueryValueExA on a key that is not open");
    std::map<std::string, Key>& keys = The().keys[open->second.first];
    auto found = keys.find(open->second.second);
    if (found == keys.end()) return kErrorKeyDeleted;
    auto value = found->second.values.find(Upper(valueName));
    if (value == found->second.values.end()) return kErrorFileNotFound;
    const std::string& bytes = value->second.second;
    *type = value->second.first;
    std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(bytes.size());
    if (bytes.size() > room) {
        // Windows leaves the buffer's contents undefined; make them misleading.
        std::memset(data, 'X', room);
        return kErrorMoreData;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    return kErrorSuccess;
}

// The wide form kept for the value, or the code page's bytes read as UTF-16.
long RegQueryValueExW(RegistryKey key, const WideChar* valueName, std::uint32_t* type, unsigned char* data,
                      std::uint32_t* size) {
    std::string name(valueName, valueName + std::char_traits<char16_t>::length(valueName));
    Log("RegQueryValueExW(" + name + ", " + std::to_string(*size) + ")");
    std::string bytes(*size, '\0');
    std::uint32_t ansiSize = *size;
    long status = RegQueryValueExA(key, name.c_str(), type, reinterpret_cast<unsigned char*>(&bytes[0]), &ansiSize);
    The().calls.pop_back();
    const Key& found = The().keys[The().openKeys.at(key).first].at(The().openKeys.at(key).second);
    auto kept = found.wideValues.find(Upper(name));
    std::u16string wide = kept != found.wideValues.end() ? kept->second : fake::WideOf(bytes.substr(0, ansiSize));
    if (status != kErrorSuccess && status != kErrorMoreData) return status;
    std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(wide.size() * sizeof(char16_t));
    if (*size > room) return kErrorMoreData;
    std::memcpy(data, wide.data(), *size);
    return kErrorSuccess;
}

long RegDeleteKeyA(RegistryKey root, const char* subKey) {
    Log("RegDeleteKeyA(" + RootName(root) + ", " + std::string(Checked(subKey)) + ")");
    return DeleteKey(KeyName(root, subKey), fake::kOwnView);
}

long RegDeleteKeyExA(RegistryKey root, const char* subKey, std::uint32_t access) {
    Log("RegDeleteKeyExA(" + RootName(root) + ", " + std::string(Checked(subKey)) + ", " + Hex(access) + ")");
    return DeleteKey(KeyName(root, subKey), ViewOf(access));
}

namespace {

// The names of key's subkeys, as created, in sorted order.
std::vector<std::string> SubkeyNames(RegistryKey key) {
    std::string parent = KeyName(key, "") + "\\";
    std::vector<std::string> children;
    for (const auto& each : The().keys[The().openKeys.at(key).first]) {
        const std::string& path = each.first;
        if (path.compare(0, parent.size(), parent) == 0 && LastComponent(path) == parent.size()) {
            children.push_back(path.substr(parent.size()));
        }
    }
    return children;
}

const long kErrorNoMoreItems = 259;

}  // namespace

long RegEnumKeyExA(RegistryKey key, std::uint32_t index, char* name, std::uint32_t* size) {
    Log("RegEnumKeyExA(" + std::to_string(index) + ")");
    std::vector<std::string> children = SubkeyNames(key);
    if (index >= children.size()) return kErrorNoMoreItems;
    std::uint32_t stored = Copied(children[index], name, *size);
    if (stored > *size) return kErrorMoreData;
    *size = stored - 1;
    return kErrorSuccess;
}

long RegEnumKeyExW(RegistryKey key, std::uint32_t index, WideChar* name, std::uint32_t* size) {
    Log("RegEnumKeyExW(" + std::to_string(index) + ")");
    std::vector<std::string> children = SubkeyNames(key);
    if (index >= children.size()) return kErrorNoMoreItems;
    std::uint32_t stored = CopiedWide(fake::WideOf(children[index]), name, *size);
    if (stored > *size) return kErrorMoreData;
    *size = stored - 1;
    return kErrorSuccess;
}

long RegDeleteTreeA(RegistryKey key) {
    Log("RegDeleteTreeA");
    if (The().windowsXp) return kErrorCallNotImplemented;
    std::map<std::string, Key>& keys = The().keys[The().openKeys.at(key).first];
    std::string name = KeyName(key, "");
    for (auto it = keys.lower_bound(name + "\\"); it != keys.end() && it->first.rfind(name + "\\", 0) == 0;) {
        it = keys.erase(it);
    }
    keys.at(name).values.clear();
    return kErrorSuccess;
}

long RegCloseKey(RegistryKey key) {
    Log("RegCloseKey");
    ExpectRedirection("RegCloseKey");
    if (The().openKeys.erase(key) == 0) Misuse("RegCloseKey on a key that is not open");
    return kErrorSuccess;
}

}  // namespace platform
