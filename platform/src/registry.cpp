// The registry: a small one of string values, kept for the whole process.
//
// Every copy of the emulation (each plug-in links its own) sees the same keys
// and values, as every module of a Windows process sees one registry: the
// tables live in a block shared by name (process_shared.h). They hold plain
// data in fixed-size tables, which bounds what the registry can hold; a call
// that would need more answers ERROR_OUTOFMEMORY.
//
// As on Windows: the predefined root keys need no opening and stay valid;
// key paths compare without regard to case; each root is a tree of its own;
// RegCreateKeyExA makes every missing key on the path; a key with subkeys
// cannot be deleted; a handle to a deleted key answers ERROR_KEY_DELETED;
// writing needs a handle opened with KEY_SET_VALUE; a value's size counts
// every byte stored, the terminating NUL of a string included when the caller
// passed it. Only REG_SZ values are kept: other types are refused with
// ERROR_INVALID_PARAMETER (the one thing Windows would accept).
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstring>

#include "platform/win32.h"
#include "process_shared.h"

namespace {

constexpr size_t kMaxKeys = 64;
constexpr size_t kMaxValues = 64;
constexpr size_t kMaxHandles = 64;
constexpr size_t kMaxPath = 256;  // including the terminator
constexpr size_t kMaxName = 256;
constexpr size_t kMaxData = 1024;
constexpr uint32_t kRoots = 8;  // HKEY_CLASSES_ROOT .. HKEY_CURRENT_USER_LOCAL_SETTINGS

// Issued handles are small multiples of 4 from here, as Windows' are.
constexpr uintptr_t kFirstHandle = 0x100;

struct Key {
  uint32_t inUse;
  uint32_t generation;  // changes when the slot is deleted, so old handles can tell
  uint32_t root;
  char path[kMaxPath];  // without leading or trailing separator; "" for the root itself
};

struct Value {
  uint32_t inUse;
  uint32_t key;
  uint32_t type;
  uint32_t size;
  char name[kMaxName];  // "" for the default value
  BYTE data[kMaxData];
};

struct Handle {
  uint32_t inUse;
  uint32_t key;
  uint32_t generation;
  REGSAM access;
};

struct Registry {
  Key keys[kMaxKeys];
  Value values[kMaxValues];
  Handle handles[kMaxHandles];
};

// Looked up again in a forked child, which must not share its parent's
// copy: copies of the emulation loaded after the fork find a registry of the
// child's own, as a new process has.
Registry* registry() {
  static Registry* shared = nullptr;
  static pid_t owner = 0;
  if (shared == nullptr || owner != getpid()) {
    shared =
        static_cast<Registry*>(platform_detail::ProcessSharedBlock("registry", sizeof(Registry)));
    owner = getpid();
  }
  return shared;
}

bool sameText(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

bool IsPredefinedKey(HKEY key) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(key);
  return value >= 0x80000000u && value < 0x80000000u + kRoots;
}

// What a handle refers to: a root (key index none) or an open key.
struct Target {
  LSTATUS status = ERROR_INVALID_HANDLE;
  uint32_t root = 0;
  const char* path = "";
  int key = -1;  // index into keys; -1 for a root that has no slot yet
  REGSAM access = KEY_ALL_ACCESS;
};

int findKey(Registry& r, uint32_t root, const char* path) {
  for (size_t i = 0; i < kMaxKeys; ++i)
    if (r.keys[i].inUse != 0 && r.keys[i].root == root && sameText(r.keys[i].path, path))
      return static_cast<int>(i);
  return -1;
}

Target resolve(Registry& r, HKEY key) {
  Target t;
  if (IsPredefinedKey(key)) {
    t.status = ERROR_SUCCESS;
    t.root = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key) - 0x80000000u);
    t.key = findKey(r, t.root, "");
    return t;
  }
  const uintptr_t value = reinterpret_cast<uintptr_t>(key);
  if (value < kFirstHandle || (value - kFirstHandle) % 4 != 0) return t;
  const uintptr_t slot = (value - kFirstHandle) / 4;
  if (slot >= kMaxHandles || r.handles[slot].inUse == 0) return t;
  const Handle& h = r.handles[slot];
  const Key& k = r.keys[h.key];
  if (k.inUse == 0 || k.generation != h.generation) {
    t.status = ERROR_KEY_DELETED;
    return t;
  }
  t.status = ERROR_SUCCESS;
  t.root = k.root;
  t.path = k.path;
  t.key = static_cast<int>(h.key);
  t.access = h.access;
  return t;
}

// parent + "\" + sub, separators at either end dropped; false when too long.
bool joinPath(const char* parent, const char* sub, char (&out)[kMaxPath]) {
  if (sub == nullptr) sub = "";
  while (*sub == '\\') ++sub;
  size_t subLength = std::strlen(sub);
  while (subLength > 0 && sub[subLength - 1] == '\\') --subLength;
  const size_t parentLength = std::strlen(parent);
  const size_t separator = parentLength > 0 && subLength > 0 ? 1 : 0;
  if (parentLength + separator + subLength >= kMaxPath) return false;
  std::memcpy(out, parent, parentLength);
  if (separator != 0) out[parentLength] = '\\';
  std::memcpy(out + parentLength + separator, sub, subLength);
  out[parentLength + separator + subLength] = '\0';
  return true;
}

int makeKey(Registry& r, uint32_t root, const char* path) {
  int found = findKey(r, root, path);
  if (found >= 0) return found;
  for (size_t i = 0; i < kMaxKeys; ++i) {
    Key& k = r.keys[i];
    if (k.inUse != 0) continue;
    k.inUse = 1;
    ++k.generation;
    k.root = root;
    std::memcpy(k.path, path, std::strlen(path) + 1);
    return static_cast<int>(i);
  }
  return -1;
}

LSTATUS issueHandle(Registry& r, int key, REGSAM access, HKEY* result) {
  for (size_t i = 0; i < kMaxHandles; ++i) {
    Handle& h = r.handles[i];
    if (h.inUse != 0) continue;
    h = Handle{1, static_cast<uint32_t>(key), r.keys[key].generation, access};
    *result = reinterpret_cast<HKEY>(kFirstHandle + 4 * i);
    return ERROR_SUCCESS;
  }
  return ERROR_OUTOFMEMORY;
}

Value* findValue(Registry& r, int key, LPCSTR name) {
  if (key < 0) return nullptr;
  if (name == nullptr) name = "";
  for (Value& v : r.values)
    if (v.inUse != 0 && v.key == static_cast<uint32_t>(key) && sameText(v.name, name)) return &v;
  return nullptr;
}

}  // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result) {
  (void)options;
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Registry* r = registry();
  if (r == nullptr) return ERROR_OUTOFMEMORY;
  Target t = resolve(*r, key);
  if (t.status != ERROR_SUCCESS) return t.status;
  char path[kMaxPath];
  if (!joinPath(t.path, subKey, path)) return ERROR_FILE_NOT_FOUND;
  int found = findKey(*r, t.root, path);
  if (found < 0 && path[0] == '\0') found = makeKey(*r, t.root, "");  // the root itself
  if (found < 0) return ERROR_FILE_NOT_FOUND;
  return issueHandle(*r, found, access, result);
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                        REGSAM access, const void* security, HKEY* result, LPDWORD disposition) {
  (void)reserved;
  (void)keyClass;
  (void)options;
  (void)security;
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Registry* r = registry();
  if (r == nullptr) return ERROR_OUTOFMEMORY;
  Target t = resolve(*r, key);
  if (t.status != ERROR_SUCCESS) return t.status;
  char path[kMaxPath];
  if (!joinPath(t.path, subKey, path)) return ERROR_INVALID_PARAMETER;
  const bool existed = findKey(*r, t.root, path) >= 0;
  if (!existed && (t.access & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
  // Every key on the way, as Windows makes them.
  int made = -1;
  for (size_t end = 0;; ++end) {
    if (path[end] == '\\' || path[end] == '\0') {
      char prefix[kMaxPath];
      std::memcpy(prefix, path, end);
      prefix[end] = '\0';
      made = makeKey(*r, t.root, prefix);
      if (made < 0) return ERROR_OUTOFMEMORY;
      if (path[end] == '\0') break;
    }
  }
  const LSTATUS status = issueHandle(*r, made, access, result);
  if (status == ERROR_SUCCESS && disposition != nullptr)
    *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  return status;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize) {
  (void)reserved;
  Registry* r = registry();
  if (r == nullptr) return ERROR_OUTOFMEMORY;
  Target t = resolve(*r, key);
  if (t.status != ERROR_SUCCESS) return t.status;
  if ((t.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  if (type != REG_SZ || (data == nullptr && dataSize != 0)) return ERROR_INVALID_PARAMETER;
  if (valueName == nullptr) valueName = "";
  if (dataSize > kMaxData || std::strlen(valueName) >= kMaxName) return ERROR_OUTOFMEMORY;
  if (t.key < 0) t.key = makeKey(*r, t.root, "");
  if (t.key < 0) return ERROR_OUTOFMEMORY;
  Value* v = findValue(*r, t.key, valueName);
  for (size_t i = 0; v == nullptr && i < kMaxValues; ++i)
    if (r->values[i].inUse == 0) {
      v = &r->values[i];
      v->inUse = 1;
      v->key = static_cast<uint32_t>(t.key);
      std::memcpy(v->name, valueName, std::strlen(valueName) + 1);
    }
  if (v == nullptr) return ERROR_OUTOFMEMORY;
  v->type = type;
  v->size = dataSize;
  if (dataSize != 0) std::memcpy(v->data, data, dataSize);
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
  (void)reserved;
  Registry* r = registry();
  if (r == nullptr) return ERROR_OUTOFMEMORY;
  Target t = resolve(*r, key);
  if (t.status != ERROR_SUCCESS) return t.status;
  if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
  const Value* v = findValue(*r, t.key, valueName);
  if (v == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = v->type;
  if (dataSize == nullptr) return ERROR_SUCCESS;
  const DWORD room = *dataSize;
  *dataSize = v->size;
  if (data == nullptr) return ERROR_SUCCESS;
  if (room < v->size) return ERROR_MORE_DATA;
  if (v->size != 0) std::memcpy(data, v->data, v->size);
  return ERROR_SUCCESS;
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
  Registry* r = registry();
  if (r == nullptr) return ERROR_OUTOFMEMORY;
  Target t = resolve(*r, key);
  if (t.status != ERROR_SUCCESS) return t.status;
  if ((t.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  Value* v = findValue(*r, t.key, valueName);
  if (v == nullptr) return ERROR_FILE_NOT_FOUND;
  v->inUse = 0;
  return ERROR_SUCCESS;
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  Registry* r = registry();
  if (r == nullptr) return ERROR_OUTOFMEMORY;
  Target t = resolve(*r, key);
  if (t.status != ERROR_SUCCESS) return t.status;
  char path[kMaxPath];
  if (subKey == nullptr || !joinPath(t.path, subKey, path)) return ERROR_INVALID_PARAMETER;
  if (path[0] == '\0') return ERROR_ACCESS_DENIED;  // a root cannot go
  const int found = findKey(*r, t.root, path);
  if (found < 0) return ERROR_FILE_NOT_FOUND;
  const size_t length = std::strlen(path);
  for (const Key& k : r->keys)
    if (k.inUse != 0 && k.root == t.root && std::strlen(k.path) > length &&
        k.path[length] == '\\') {
      char prefix[kMaxPath];
      std::memcpy(prefix, k.path, length);
      prefix[length] = '\0';
      if (sameText(prefix, path)) return ERROR_ACCESS_DENIED;  // has subkeys
    }
  for (Value& v : r->values)
    if (v.inUse != 0 && v.key == static_cast<uint32_t>(found)) v.inUse = 0;
  r->keys[found].inUse = 0;
  ++r->keys[found].generation;
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
  Registry* r = registry();
  if (IsPredefinedKey(key)) return ERROR_SUCCESS;
  if (r == nullptr) return ERROR_INVALID_HANDLE;
  const uintptr_t value = reinterpret_cast<uintptr_t>(key);
  if (value < kFirstHandle || (value - kFirstHandle) % 4 != 0) return ERROR_INVALID_HANDLE;
  const uintptr_t slot = (value - kFirstHandle) / 4;
  if (slot >= kMaxHandles || r->handles[slot].inUse == 0) return ERROR_INVALID_HANDLE;
  r->handles[slot].inUse = 0;
  return ERROR_SUCCESS;
}
