// The simulated host: loads plug-ins the way the REALbasic runtime does,
// implements every host service they resolve, owns the objects they work on,
// audits every lock and reference, and injects faults.
//
// Host services are plain C functions handed out by the resolver, so they
// reach the host through a process-wide "current host": at most one Host
// exists at a time. Each Host loads private copies of the plug-in files, so
// the plug-ins' own state (binding caches, last-error code, cached class
// references) starts fresh with every Host.
//
// Pixel coordinates in this interface name rows in memory order (row 0 is
// the first row in memory, the bottom row of the bottom-up bitmap as a person
// sees it), except where a function says "visual".
#ifndef RBHOST_HOST_H
#define RBHOST_HOST_H

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host_binding/rb_abi.h"
#include "rbhost/declaration.h"

namespace rbhost {

// How a picture's pixels are stored; also the description kind it locks as.
// A 2-bit picture is always a GlobalDib: Windows makes no 2-bit DIB sections.
enum class PictureStorage {
  GlobalDib = kRbPictureGlobalDib,    // packed bottom-up DIB in global memory
  DibSection = kRbPictureDibSection,  // bitmap handle of a DIB section
};

struct HostOptions {
  double version = 2006.0;                // answered by "REALGetRBVersion"
  std::set<std::string> missingServices;  // the resolver answers null for these
  PictureStorage newPictureStorage = PictureStorage::GlobalDib;  // of "newPicture"
  int32_t maskDepth = 8;                                         // depth of masks the host creates
  // "drawPicturePrimitive" converts whole rows where it can; false sends
  // every pixel through the general reader and writer (same bytes, slower).
  bool fastDrawing = true;
  // "REALBuildString" without bytes makes a string of that many zero bytes;
  // false: it answers nil, as a host that needs the bytes would.
  bool buildsStringsWithoutBytes = true;
  // What every byte of a picture from "newPicture" holds before it is drawn.
  uint8_t newPictureFill = 0xCD;
};

class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One registered method: a global method, or a method of a class or extension.
struct MethodRegistration {
  std::string receiver;     // class or extended class; empty for a global method
  std::string declaration;  // as the plug-in handed it over
  Declaration parsed;
  RbFunction function = nullptr;
  RbFunction setter = nullptr;
  RbWord flags = 0;
};

struct PropertyRegistration {
  std::string group;
  std::string name;
  std::string type;
  RbWord flags = 0;
  RbFunction getter = nullptr;
  RbFunction setter = nullptr;
  RbWord selector = 0;
  bool direct() const;  // both accessors hold the standard-accessor marker
};

// A class or the extension of a host class ("picture", "graphics", ...).
struct ClassRegistration {
  bool isExtension = false;
  RbWord recordVersion = 0;      // 8 or 6
  const void* record = nullptr;  // the plug-in's record; the host keeps the address
  std::string name;
  RbWord dataSize = 0;
  RbWord dataOffset = 0;  // written into the record by the host
  RbFunction constructor = nullptr;
  RbFunction destructor = nullptr;
  size_t methodRecordSize = 0;  // 16 or 12: how the host read the method table
  std::vector<PropertyRegistration> properties;
  std::vector<MethodRegistration> methods;
};

// One registration, in arrival order.
struct RegistrationEvent {
  enum class Kind { GlobalMethod, Class, Extension } kind;
  size_t index;  // into Plugin::globalMethods or Plugin::classes
};

struct Plugin {
  std::string path;              // the file the caller named (a private copy is loaded)
  int32_t interfaceVersion = 0;  // from "RegisterPluginVersion"
  std::vector<MethodRegistration> globalMethods;
  std::vector<ClassRegistration> classes;  // classes and extensions
  std::vector<RegistrationEvent> arrivalOrder;
  std::vector<std::string> loadMessages;  // message boxes shown while loading
  // How many registrations had arrived when "REALenterMovies" was called.
  std::optional<size_t> enteredMoviesAfter;

  const ClassRegistration* findClass(std::string_view name) const;  // not extensions
  // The method with exactly this declaration: global methods and extension
  // methods; for a class method name the class.
  const MethodRegistration* findMethod(std::string_view declaration) const;
  const MethodRegistration* findClassMethod(std::string_view className,
                                            std::string_view declaration) const;
  // Every registered line in arrival order, classes and extensions with
  // their properties and methods indented under them.
  std::vector<std::string> listing() const;
};

// What the host is holding on behalf of plug-in calls. A call that released
// everything it took leaves the audit as it found it.
struct Audit {
  int64_t descriptionLocks = 0;   // picture descriptions locked and not unlocked
  int64_t globalMemoryLocks = 0;  // GlobalLock counts on pictures' memory
  int64_t liveObjects = 0;        // objects not yet destroyed
  int64_t references = 0;         // sum of the reference counts of live objects
  // GDI objects (bitmaps, palettes) and device contexts that plug-in calls
  // made and did not delete, beyond those the host's own pictures and
  // graphics hold. Windows counts device contexts among its GDI objects:
  // there deviceContexts stays 0 and gdiObjects holds both.
  int64_t gdiObjects = 0;
  int64_t deviceContexts = 0;
  std::vector<std::string> violations;  // misuse seen (bad handle, unlock without lock, ...)
  bool operator==(const Audit&) const = default;
};

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Rgb&) const = default;
};
inline uint32_t toColor(Rgb c) {
  return (uint32_t{c.red} << 16) | (uint32_t{c.green} << 8) | c.blue;
}
inline Rgb fromColor(uint32_t c) {
  return {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
}

class Host {
 public:
  explicit Host(HostOptions options = {});
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  static Host& current();  // throws HostError when there is none
  HostOptions& options() { return options_; }
  RbResolver resolver() const;

  // Loads a private copy of the plug-in at `path`, calls its REALPluginMain
  // and records what it registers. Throws HostError when the file cannot be
  // loaded or has no REALPluginMain.
  Plugin& load(const std::string& path);
  const std::vector<std::unique_ptr<Plugin>>& plugins() const { return plugins_; }

  // Finds a method by declaration in every loaded plug-in; throws when absent.
  const MethodRegistration& method(std::string_view declaration) const;
  const MethodRegistration& classMethod(std::string_view className,
                                        std::string_view declaration) const;

  // Calls a registered function with C++ arguments. The signature is checked
  // against the declaration (arity and types) and a mismatch throws, so a test
  // cannot call a function the wrong way. Receivers come first (see rb_abi.h).
  template <typename Result, typename... Args>
  Result call(std::string_view declaration, Args... args) const {
    const MethodRegistration& m = method(declaration);
    checkSignature(m, signatureOf<Result, Args...>(), false);
    return reinterpret_cast<Result (*)(Args...)>(m.function)(args...);
  }
  template <typename Result, typename... Args>
  Result callClassMethod(std::string_view className, std::string_view declaration,
                         Args... args) const {
    const MethodRegistration& m = classMethod(className, declaration);
    checkSignature(m, signatureOf<Result, Args...>(), false);
    return reinterpret_cast<Result (*)(Args...)>(m.function)(args...);
  }
  // The setter of an assignable method: the declared arguments, then the value.
  template <typename... Args>
  void callSetter(std::string_view className, std::string_view declaration, Args... args) const {
    const MethodRegistration& m = classMethod(className, declaration);
    checkSignature(m, signatureOf<void, Args...>(), true);
    reinterpret_cast<void (*)(Args...)>(m.setter)(args...);
  }

  // Properties of class instances and of extended host objects, by name.
  template <typename T>
  T getProperty(RbObject object, std::string_view name) const;
  template <typename T>
  void setProperty(RbObject object, std::string_view name, T value) const;
  // The property `name` of the object's class (for a picture: of the picture
  // extensions); throws when absent or of another type than `expected`.
  const PropertyRegistration& property(RbObject object, std::string_view name,
                                       AbiType expected) const;
  // The bytes of a direct property in the instance data; throws when the
  // field of `size` bytes does not lie inside the data the class declared.
  char* directField(RbObject object, const PropertyRegistration& p, size_t size) const;

  // ---- Objects. Every "new" hands the caller one reference.
  void retain(RbObject object);
  void release(RbObject object);
  template <typename Handle>
  void release(Handle h) {
    if (h != nullptr) release(toObject(h));
  }
  int64_t referenceCount(RbObject object) const;  // 0 for an unknown handle
  bool isAlive(RbObject object) const;
  std::string typeName(RbObject object) const;  // "picture", "string", class name, ...

  RbObject newInstance(std::string_view className);  // runs the constructor
  void* instanceData(RbObject instance) const;       // nullptr for a non-instance

  // ---- Pictures.
  RbPicture newPicture(int32_t width, int32_t height, int32_t depth,
                       std::optional<PictureStorage> storage = std::nullopt);
  int32_t width(RbPicture p) const;
  int32_t height(RbPicture p) const;
  int32_t depth(RbPicture p) const;
  int32_t rowBytes(RbPicture p) const;
  PictureStorage storage(RbPicture p) const;
  uint8_t* row(RbPicture p, int32_t memoryRow);  // raw bytes of one row
  // The raw value at (x, memoryRow): the palette index for depths up to 8, the
  // 5-5-5 word for 16, 0xRRGGBB for 24, the whole word for 32.
  uint32_t rawPixel(RbPicture p, int32_t x, int32_t memoryRow) const;
  void setRawPixel(RbPicture p, int32_t x, int32_t memoryRow, uint32_t value);
  // The colour shown at (x, memoryRow), through the palette where there is one.
  Rgb pixel(RbPicture p, int32_t x, int32_t memoryRow) const;
  // Stores the colour: nearest palette entry up to 8 bits, 5-5-5 truncation at
  // 16, the fourth byte of a 32-bit pixel set to 0.
  void setPixel(RbPicture p, int32_t x, int32_t memoryRow, Rgb color);
  std::vector<Rgb> palette(RbPicture p) const;  // empty above 8 bits
  void setPalette(RbPicture p, const std::vector<Rgb>& colors);
  // The picture's mask, created (all black) when `create` and there is none.
  // Hands the caller a reference, like "REALGetPictureMask".
  RbPicture mask(RbPicture p, bool create);
  void removeMask(RbPicture p);
  // Makes `mask` (of the picture's size, with no mask of its own) the
  // picture's mask: the picture takes a reference on it and drops the one on
  // its old mask. Throws HostError when `mask` cannot be one.
  void setMask(RbPicture p, RbPicture mask);

  // The picture's graphics object, as "pluginPictureGraphicsGetter" gives it
  // (made on first use, owned by the picture); null for a dead picture.
  RbGraphics graphicsOf(RbPicture p);

  // A graphics world holding a copy of the picture's colours, as the host's
  // own off-screen ports hold pixels; the handle is what a program passes to
  // "REALBuildPictureFromGWorld". It lives until that service takes it over
  // or the host ends. 0 for a picture that is not live.
  uintptr_t newGWorld(RbPicture p);
  bool gworldAlive(uintptr_t world) const;

  // ---- Strings, memory blocks, arrays.
  RbString newString(std::string_view bytes, uint32_t encoding = 0x08000100);  // UTF-8
  std::string stringBytes(RbString s) const;
  uint32_t stringEncoding(RbString s) const;
  RbMemoryBlock newMemoryBlock(int32_t size);
  uint8_t* memoryBlockBytes(RbMemoryBlock b) const;
  int64_t memoryBlockSize(RbMemoryBlock b) const;  // -1 for a block of foreign memory
  RbArray newIntArray(const std::vector<int32_t>& values);

  // ---- Messages and audit.
  const std::vector<std::string>& messageBoxes() const { return messageBoxes_; }
  void clearMessageBoxes() { messageBoxes_.clear(); }
  void recordMessageBox(std::string text) { messageBoxes_.push_back(std::move(text)); }
  Audit audit() const;

  // ---- Faults.
  // Every later lock of `p` fails: "REALLockPictureDescription" answers false
  // and "lockPictureDescription" fills a description of an unknown kind. The
  // description still counts as locked until unlocked.
  void failLocksOf(RbPicture p, bool fail = true);
  // "newPicture" answers nil after `successes` more pictures; nullopt clears.
  void failNewPictureAfter(std::optional<int64_t> successes);

  // Implementation detail shared with the host services.
  struct State;
  State& state() { return *state_; }

 private:
  template <typename Result, typename... Args>
  static std::vector<AbiType> signatureOf();
  void checkSignature(const MethodRegistration& m, const std::vector<AbiType>& signature,
                      bool setter) const;

  HostOptions options_;
  std::unique_ptr<State> state_;
  std::vector<std::unique_ptr<Plugin>> plugins_;
  std::vector<std::string> messageBoxes_;
};

// The name of every service the resolver can hand out, in no particular
// order: what HostOptions::missingServices may remove.
std::vector<std::string> serviceNames();

// The plug-in files built beside the running executable.
std::string graphicsPluginPath();
std::string picturePluginPath();

}  // namespace rbhost

#include "rbhost/host_call.inl"

#endif
