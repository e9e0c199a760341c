// The binary interface between the REALbasic host and a plug-in library.
//
// This is the one header shared by both plug-ins and by the simulated host.
// Every record handed across the boundary is a sequence of machine words: on a
// 32-bit build each word is 4 bytes (the layout the real host expects), on a
// 64-bit build each word is pointer-sized so that the same code runs natively.
//
// Calling convention: every function crossing the boundary is a plain C
// function with the platform's default (cdecl) convention.
//
// How a declaration string maps to the C signature of its function
// ------------------------------------------------------------------
// A registered function receives, in this order:
//   1. the receiver, when there is one:
//        - a class method or property accessor: the class instance (RbObject);
//        - a method of a class extension: the extended object (RbPicture for
//          "picture", RbObject for "graphics" and others);
//        - a global method "F(extends p as T, ...)": p, typed as T;
//   2. for a property accessor, the selector word of its property record
//      (intptr_t); a setter then takes the new value last;
//   3. the declared parameters, left to right, mapped as
//        integer              -> int32_t
//        double               -> double
//        boolean              -> RbBoolean (one byte; promoted to a full
//                                stack slot by the C calling convention)
//        color                -> RbColor, uint32_t 0x00RRGGBB
//        picture              -> RbPicture
//        string               -> RbString
//        memoryblock          -> RbMemoryBlock
//        a class name         -> RbObject (the instance)
//        "name() as integer"  -> RbArray (an array handle)
//        ByRef T              -> pointer to the mapping of T
//      A parameter with a default value ("as_picture as boolean = false") is
//      always passed: the host supplies the default.
//   4. the result maps by the same table; a declaration without "as T" at the
//      end returns void.
// An assignable method ("Value(i as integer, j as integer) as double") has a
// getter with the signature above and a setter (the record's second function)
// taking the same arguments followed by the assigned value:
//      double Value(RbObject self, int32_t i, int32_t j);
//      void   ValueSet(RbObject self, int32_t i, int32_t j, double value);
// A declaration without parentheses ("Rotate90ZRW as picture") takes no
// declared parameters.
#ifndef HOST_BINDING_RB_ABI_H
#define HOST_BINDING_RB_ABI_H

#include <cstddef>
#include <cstdint>

extern "C" {

// Opaque handles of host objects. They are distinct types so that plug-in code
// cannot pass a string where a picture is expected; every one of them is an
// object to "REALLockObject" / "REALUnlockObject" (see toObject below).
typedef struct RbObjectOpaque* RbObject;
typedef struct RbPictureOpaque* RbPicture;
typedef struct RbStringOpaque* RbString;
typedef struct RbMemoryBlockOpaque* RbMemoryBlock;
typedef struct RbArrayOpaque* RbArray;
typedef struct RbClassRefOpaque* RbClassRef;
typedef struct RbGraphicsOpaque* RbGraphics;

typedef bool RbBoolean;
typedef uint32_t RbColor;  // 0x00RRGGBB

// A word of a registration record.
typedef intptr_t RbWord;

// Any function address stored in a record; cast to its real signature by the
// side that calls it.
typedef void (*RbFunction)();

// The resolver handed to REALPluginMain: entry-point name -> host function.
typedef void* (*RbResolver)(const char* name);

// Picture description filled by the host when a picture is locked.
enum RbPictureKind : int32_t {
  kRbPictureGlobalDib = 5,   // handle: global memory holding a packed DIB
  kRbPictureDibSection = 7,  // handle: bitmap handle of a DIB section
};

struct RbPictureDescription {
  int32_t kind;
  void* handle;
  int32_t width;
  int32_t height;
  int32_t depth;
  int32_t hostReserved[8];  // the host's own fields; plug-ins never read them
};

// The 16-bit bounds rectangle of "drawPicturePrimitive".
struct RbRect16 {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

// Method record: global methods and the method tables of version-8 classes.
struct RbMethodRecord {
  RbFunction function;
  RbFunction setter;  // assignable methods only, else null
  const char* declaration;
  RbWord flags;
};

// Short method record: version-6 classes, the picture plug-in's global
// methods, and version-8 method tables converted for hosts older than 5.9.
struct RbShortMethodRecord {
  RbFunction function;
  RbFunction setter;
  const char* declaration;
};

// Property record. A getter is called as T getter(receiver, selector), a
// setter as void setter(receiver, selector, T value). When getter and setter
// both hold kRbStandardAccessor the property is a field of the instance data
// at byte offset `selector`, read and written by the host itself.
struct RbPropertyRecord {
  const char* group;
  const char* name;
  const char* type;
  RbWord flags;
  RbFunction getter;
  RbFunction setter;
  RbWord selector;
  RbWord reserved[3];
};

// Class record, version 8 (graphics plug-in). Used for classes and for the
// extension of a host class alike. The host writes `dataOffset`: the offset of
// the plug-in's data inside every instance.
struct RbClassRecord {
  RbWord version;  // 8
  const char* name;
  const char* superName;
  RbWord dataSize;
  RbWord dataOffset;
  RbFunction constructor;  // void (RbObject instance)
  RbFunction destructor;   // void (RbObject instance)
  RbPropertyRecord* properties;
  RbWord propertyCount;
  // RbMethodRecord[methodCount]; on hosts older than 5.9 the plug-in replaces
  // it with an RbShortMethodRecord table before registering.
  void* methods;
  RbWord methodCount;
  RbWord reserved[10];
};

// Class-definition record, version 6 (picture plug-in). The first eleven
// words match RbClassRecord; methods are always short records.
struct RbClassDefinition {
  RbWord version;  // 6
  const char* name;
  const char* superName;
  RbWord dataSize;
  RbWord dataOffset;  // "for system use": filled by the host
  RbFunction constructor;
  RbFunction destructor;
  RbPropertyRecord* properties;
  RbWord propertyCount;
  RbShortMethodRecord* methods;
  RbWord methodCount;
  void* events;
  RbWord eventCount;
  void* eventInstances;
  RbWord eventInstanceCount;
  const char* interfaces;
  void* bindings;
  RbWord bindingCount;
  void* constants;
  RbWord constantCount;
};

// Plug-in interface versions announced through "RegisterPluginVersion"; they
// also tell the host the version of the class records that follow.
enum : RbWord {
  kRbClassRecordVersion = 8,
  kRbClassDefinitionVersion = 6,
};

// The exported entry point of every plug-in.
typedef void (*RbPluginMain)(RbResolver resolver);

// Marks the definition of REALPluginMain, the one symbol a plug-in exports.
#ifdef _WIN32
#define RB_PLUGIN_ENTRY extern "C" __declspec(dllexport)
#else
#define RB_PLUGIN_ENTRY extern "C" __attribute__((visibility("default")))
#endif

}  // extern "C"

// Marker stored in both accessor fields of a direct property: all bits set.
inline RbFunction rbStandardAccessor() {
  return reinterpret_cast<RbFunction>(~static_cast<uintptr_t>(0));
}

inline bool rbIsStandardAccessor(RbFunction f) {
  return reinterpret_cast<uintptr_t>(f) == ~static_cast<uintptr_t>(0);
}

// Stores a function of any signature in a record.
template <typename F>
inline RbFunction rbFunction(F* f) {
  return reinterpret_cast<RbFunction>(f);
}

template <typename Handle>
inline RbObject toObject(Handle h) {
  return reinterpret_cast<RbObject>(h);
}

template <typename Handle>
inline Handle fromObject(RbObject o) {
  return reinterpret_cast<Handle>(o);
}

#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(RbMethodRecord) == 16);
static_assert(sizeof(RbShortMethodRecord) == 12);
static_assert(sizeof(RbPropertyRecord) == 40);
static_assert(sizeof(RbClassRecord) == 84);
static_assert(sizeof(RbClassDefinition) == 80);
#endif
static_assert(sizeof(RbMethodRecord) == 4 * sizeof(RbWord));
static_assert(sizeof(RbShortMethodRecord) == 3 * sizeof(RbWord));
static_assert(sizeof(RbPropertyRecord) == 10 * sizeof(RbWord));
static_assert(sizeof(RbClassRecord) == 21 * sizeof(RbWord));
static_assert(sizeof(RbClassDefinition) == 20 * sizeof(RbWord));

#endif
