// The registry of the test double: keys under HKEY_LOCAL_MACHINE in either
// view, their names and string values in UTF-16, as Windows keeps them.
#include <cstring>
#include <iterator>
#include <utility>

#include "fake_state.h"

using namespace fake_state;

namespace {

const std::uint32_t kRegMultiSz = 7;

bool IsStringType(std::uint32_t type) {
    return type == platform::kRegSz || type == platform::kRegExpandSz || type == kRegMultiSz;
}

// UTF-16 as the registry stores it: each unit as two bytes, low first.
std::string BytesOf(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

Key& KeyAt(const std::string& path, fake::View view) {
    fake::AddKey(path, view);
    return The().keys[view].at(Upper(fake::WideOf(path)));
}

}  // namespace

namespace fake {

void AddKey(const std::string& path, View view) { AddKey(WideOf(path), view); }

void AddKey(const std::u16string& path, View view) {
    std::size_t start = LastComponent(path);
    if (start > 0 && !KeyExists(path.substr(0, start - 1), view)) AddKey(path.substr(0, start - 1), view);
    The().keys[view].emplace(Upper(path), Key{path, {}, false, false});
}

// As RegSetValueExA stores it: a string converted from the code page.
void SetValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
              const std::string& data, View view) {
    KeyAt(keyPath, view).values[Upper(WideOf(name))] = {type, IsStringType(type) ? BytesOf(WideOf(data)) : data};
}

void SetString(const std::string& keyPath, const std::string& name, const std::string& text, View view) {
    SetValue(keyPath, name, platform::kRegSz, text + '\0', view);
}

void SetWideString(const std::string& keyPath, const std::string& name, const std::u16string& text, View view) {
    SetWideValue(keyPath, name, platform::kRegSz, text + u'\0', view);
}

void SetWideValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                  const std::u16string& text, View view) {
    if (!IsStringType(type)) Misuse("UTF-16 text for a value that is not a string");
    KeyAt(keyPath, view).values[Upper(WideOf(name))] = {type, BytesOf(text)};
}

void DenyFullAccess(const std::string& path, View view) { KeyAt(path, view).fullAccessDenied = true; }

void DenyReading(const std::string& path, View view) { KeyAt(path, view).readingDenied = true; }

bool KeyExists(const std::string& path, View view) { return KeyExists(WideOf(path), view); }

bool KeyExists(const std::u16string& path, View view) { return The().keys[view].count(Upper(path)) != 0; }

std::vector<std::string> Keys(View view) {
    std::vector<std::string> paths;
    for (const auto& key : The().keys[view]) paths.push_back(Shown(key.first));
    return paths;
}

bool ValueOf(const std::string& keyPath, const std::string& name, std::uint32_t* type,
             std::string* data, View view) {
    auto key = The().keys[view].find(Upper(WideOf(keyPath)));
    if (key == The().keys[view].end()) return false;
    auto value = key->second.values.find(Upper(WideOf(name)));
    if (value == key->second.values.end()) return false;
    *type = value->second.first;
    *data = value->second.second;
    return true;
}

}  // namespace fake

namespace platform {

namespace {

const long kErrorKeyDeleted = 1018;
// HKEY_USERS's keys are kept under this name in the program's own view.
const char16_t kUsersRoot[] = u"HKEY_USERS";

// The view and the name of key: a root key or one the program opened.
std::pair<fake::View, std::u16string> Opened(RegistryKey key) {
    if (key == kLocalMachine) return {fake::kOwnView, u""};
    if (key == kUsers) return {fake::kOwnView, kUsersRoot};
    auto open = The().openKeys.find(key);
    if (open == The().openKeys.end()) Misuse("a key that is neither open nor HKLM or HKU");
    return open->second;
}

// Windows accepts one trailing backslash after a subkey path.
std::u16string KeyName(RegistryKey root, const WideChar* subKey) {
    ExpectRedirection("a registry call");
    std::u16string name = Opened(root).second;
    std::u16string sub = Upper(Checked(subKey));
    if (!name.empty() && !sub.empty()) name += u"\\";
    name += sub;
    if (!name.empty() && name.back() == u'\\') name.pop_back();
    return name;
}

std::string RootName(RegistryKey root) { return root == kLocalMachine ? "HKLM" : root == kUsers ? "HKU" : "key"; }

// KEY_WOW64_64KEY picks the 64-bit view under WOW64 and is ignored elsewhere;
// users' hives have one view only.
fake::View ViewOf(std::uint32_t access, const std::u16string& name) {
    bool users = name.rfind(kUsersRoot, 0) == 0;
    return The().wow64 && (access & kKeyWow64_64Key) && !users ? fake::k64BitView : fake::kOwnView;
}

// The values of the key in view named name, or null when it is gone.
Key* KeyAt(fake::View view, const std::u16string& name) {
    auto found = The().keys[view].find(name);
    return found == The().keys[view].end() ? nullptr : &found->second;
}

bool HasSubkeys(const std::map<std::u16string, Key>& keys, const std::u16string& name) {
    auto first = keys.lower_bound(name + u"\\");
    return first != keys.end() && first->first.compare(0, name.size() + 1, name + u"\\") == 0;
}

long DeleteKey(const std::u16string& name, fake::View view) {
    std::map<std::u16string, Key>& keys = The().keys[view];
    if (keys.count(name) == 0) return kErrorFileNotFound;
    if (HasSubkeys(keys, name)) return kErrorAccessDenied;
    keys.erase(name);
    return kErrorSuccess;
}

}  // namespace

long RegOpenKeyExW(RegistryKey root, const WideChar* subKey, std::uint32_t options, std::uint32_t access,
                   RegistryKey* key) {
    Log("RegOpenKeyExW(" + RootName(root) + ", " + fake::Shown(Checked(subKey)) + ", " + std::to_string(options) +
        ", " + Hex(access) + ")");
    std::u16string name = KeyName(root, subKey);
    fake::View view = ViewOf(access, name);
    auto found = The().keys[view].find(name);
    if (found == The().keys[view].end()) return kErrorFileNotFound;
    bool beyondReading = access & ~(kKeyRead | kKeyWow64_64Key);
    if (found->second.readingDenied || (found->second.fullAccessDenied && beyondReading)) return kErrorAccessDenied;
    *key = NewHandle();
    The().openKeys[*key] = {view, name};
    return kErrorSuccess;
}

long RegQueryValueExW(RegistryKey key, const WideChar* valueName, std::uint32_t* type, unsigned char* data,
                      std::uint32_t* size) {
    Log("RegQueryValueExW(" + fake::Shown(Checked(valueName)) + ", " + std::to_string(*size) + ")");
    ExpectRedirection("RegQueryValueExW");
    auto open = The().openKeys.find(key);
    if (open == The().openKeys.end()) Misuse("RegQueryValueExW on a key that is not open");
    Key* found = KeyAt(open->second.first, open->second.second);
    if (found == nullptr) return kErrorKeyDeleted;
    auto value = found->values.find(Upper(valueName));
    if (value == found->values.end()) return kErrorFileNotFound;
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

// Only saver settings are written, and no host test holds one: an end-to-end
// test does.
long RegSetValueExW(RegistryKey, const WideChar*, std::uint32_t, const unsigned char*, std::uint32_t) {
    Misuse("RegSetValueExW, which the double does not model");
}

long RegDeleteValueW(RegistryKey, const WideChar*) { Misuse("RegDeleteValueW, which the double does not model"); }

long RegDeleteKeyW(RegistryKey root, const WideChar* subKey) {
    Log("RegDeleteKeyW(" + RootName(root) + ", " + fake::Shown(Checked(subKey)) + ")");
    return DeleteKey(KeyName(root, subKey), fake::kOwnView);
}

long RegDeleteKeyExW(RegistryKey root, const WideChar* subKey, std::uint32_t access) {
    Log("RegDeleteKeyExW(" + RootName(root) + ", " + fake::Shown(Checked(subKey)) + ", " + Hex(access) + ")");
    std::u16string name = KeyName(root, subKey);
    return DeleteKey(name, ViewOf(access, name));
}

// Subkeys are named as created, in the order of their upper-case names.
long RegEnumKeyExW(RegistryKey key, std::uint32_t index, WideChar* name, std::uint32_t* size) {
    Log("RegEnumKeyExW(" + std::to_string(index) + ")");
    std::u16string parent = KeyName(key, u"") + u"\\";
    std::vector<std::u16string> children;
    for (const auto& each : The().keys[Opened(key).first]) {
        if (each.first.compare(0, parent.size(), parent) == 0 && LastComponent(each.first) == parent.size()) {
            children.push_back(each.second.path.substr(parent.size()));
        }
    }
    if (index >= children.size()) return kErrorNoMoreItems;
    std::uint32_t stored = CopiedWide(children[index], name, *size);
    if (stored > *size) return kErrorMoreData;
    *size = stored - 1;
    return kErrorSuccess;
}

// Values are named in upper case, in that order.
long RegEnumValueW(RegistryKey key, std::uint32_t index, WideChar* name, std::uint32_t* size) {
    Log("RegEnumValueW(" + std::to_string(index) + ")");
    std::pair<fake::View, std::u16string> open = Opened(key);
    Key* found = KeyAt(open.first, open.second);
    if (found == nullptr) return kErrorKeyDeleted;
    if (index >= found->values.size()) return kErrorNoMoreItems;
    std::uint32_t stored = CopiedWide(std::next(found->values.begin(), index)->first, name, *size);
    if (stored > *size) return kErrorMoreData;
    *size = stored - 1;
    return kErrorSuccess;
}

long RegDeleteTreeW(RegistryKey key) {
    Log("RegDeleteTreeW");
    if (The().windowsXp) return kErrorCallNotImplemented;
    std::map<std::u16string, Key>& keys = The().keys[The().openKeys.at(key).first];
    std::u16string name = KeyName(key, u"");
    for (auto it = keys.lower_bound(name + u"\\"); it != keys.end() && it->first.rfind(name + u"\\", 0) == 0;) {
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
