// The Windows calls this project uses.
//
// On Windows this is <windows.h> itself. Elsewhere it declares a small
// emulation with the same names, types and meaning, implemented over the C
// library and the system loader, so that the plug-ins and the simulated host
// build and run natively. Only what the code actually calls is emulated; the
// emulation's contracts are written beside each declaration.
//
// Emulated handles are self-describing: an HGLOBAL, HBITMAP or HDC points to a
// control block that carries its own state (lock count, bitmap header and
// bits, selected bitmap). Each library linking this emulation has its own copy
// of the code, yet all of them understand every handle, exactly as every
// module of a Windows process shares kernel32 and gdi32.
#ifndef PLATFORM_WIN32_H
#define PLATFORM_WIN32_H

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int32_t BOOL;
typedef size_t SIZE_T;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef DWORD REGSAM;
typedef LONG LSTATUS;

typedef void* HANDLE;
typedef struct PlatformGlobalBlock* HGLOBAL;
typedef struct PlatformGdiObject* HGDIOBJ;
typedef HGDIOBJ HBITMAP;
typedef HGDIOBJ HPALETTE;
typedef struct PlatformDeviceContext* HDC;
typedef struct PlatformModule* HMODULE;
typedef HMODULE HINSTANCE;
typedef struct PlatformRegistryKey* HKEY;
typedef struct PlatformWindow* HWND;
typedef intptr_t (*FARPROC)();

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define MAX_PATH 260

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
typedef BITMAPINFOHEADER* LPBITMAPINFOHEADER;

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};

struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};

static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(RGBQUAD) == 4);

#define BI_RGB 0
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GMEM_LOCKCOUNT 0x00FF
#define GMEM_DISCARDED 0x4000
#define GMEM_INVALID_HANDLE 0x8000

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_KEY_DELETED 1018L
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define REG_SZ 1
#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

// Global memory. Every handle is a moveable block with a lock count; the
// address from GlobalLock stays valid until the block is reallocated or freed.
// GlobalFlags reports the lock count in GMEM_LOCKCOUNT, GMEM_DISCARDED for a
// block of 0 bytes, GMEM_INVALID_HANDLE for a handle this emulation did not
// make (or already freed).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);                                // FALSE once the count reaches 0
HGLOBAL GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags);  // NULL when locked
HGLOBAL GlobalFree(HGLOBAL memory);                               // NULL on success
SIZE_T GlobalSize(HGLOBAL memory);
UINT GlobalFlags(HGLOBAL memory);

// GDI objects. Only DIB sections exist: CreateDIBSection allocates the bits
// (zeroed) and keeps a colour table of 2^depth entries for depths up to 8.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
// Copies a BITMAP (size >= sizeof(BITMAP)) or a DIBSECTION (size >=
// sizeof(DIBSECTION)); returns the bytes copied, 0 for anything else. With a
// null buffer: sizeof(BITMAP), for a DIB section too.
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
BOOL DeleteObject(HGDIOBJ object);

// Memory device contexts, enough to reach a DIB section's colour table.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);  // returns the previous bitmap
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);

// The screen. The emulation models one display whose depth is read from the
// environment variable RB_EMULATED_SCREEN_BITS on every call (1, 4, 8, 16,
// 24 or 32; 32 when unset or anything else), so that every library's copy of
// the emulation sees the same screen. Displays of 1, 4 and 8 bits are
// palette devices whose system palette holds the standard colours: black
// and white; the 16 VGA colours; the 20 static colours at 0-9 and 246-255
// with black between. Deeper displays have no palette:
// GetSystemPaletteEntries answers 0 there, as Windows does.
#define BITSPIXEL 12
#define PLANES 14
#define SIZEPALETTE 104
#define RASTERCAPS 38
#define RC_PALETTE 0x0100
HDC GetDC(HWND window);  // NULL: the whole screen; any other window fails
int ReleaseDC(HWND window, HDC dc);
// BITSPIXEL, PLANES (1), SIZEPALETTE (entries, 0 without a palette),
// RASTERCAPS (RC_PALETTE on palette devices); 0 for others.
int GetDeviceCaps(HDC dc, int index);
// Copies entries start .. start + count - 1 that exist; returns how many.
// With null entries: the size of the palette.
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);

// The display (see platform/virtual_display.h for how it is set). It has one
// desktop window at (0, 0) the display's size. Its device contexts come from
// GetDC(NULL) (given back with ReleaseDC) and CreateDCA("DISPLAY") (given
// back with DeleteDC); drawing on either draws on the display. Displays of
// 16 bits show 5-6-5 colours, of 8 bits and fewer the nearest colour of their
// system palette.
#define HORZRES 8
#define VERTRES 10
HWND GetDesktopWindow();
BOOL GetWindowRect(HWND window, RECT* rect);  // the desktop window only
// Only the driver "DISPLAY" (any case) with no device; anything else fails.
HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR output, const void* mode);
BOOL IsRectEmpty(const RECT* rect);  // TRUE for null, zero or negative size
// Fills what the DC draws on with the desktop colour (the whole bitmap of a
// memory DC, the display for a display DC); FALSE for a DC without pixels.
BOOL PaintDesktop(HDC dc);

// Device-dependent bitmaps. A bitmap compatible with a display DC has the
// display's depth; with a memory DC, the depth of the bitmap selected into it
// (1 bit while its placeholder is selected, as on Windows); a width or height
// of 0 gives a 1 x 1 monochrome bitmap. Their pixels are the device's
// (GetObjectA gives a BITMAP with no bits, rows padded to 2 bytes); they are
// reached with BitBlt and GetDIBits. Sizes up to 1 GiB of device pixels.
#define SRCCOPY 0x00CC0020u
#define CBM_INIT 0x04u
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(-1)))
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// From a DIB of 1, 4, 8, 16, 24 or 32 bits (BI_RGB, or BI_BITFIELDS at 16 and
// 32), bottom-up or top-down; the pixels are set only with CBM_INIT.
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
// SRCCOPY only (FALSE for another operation). The source may be any DC with
// pixels, the display included; source pixels outside it read as black, and
// what falls outside the destination is not drawn.
BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD operation);
// Reads `lines` rows of a bitmap from row `start` (counted from the bottom
// for a bottom-up target, from the top for a top-down one) as a DIB of the
// depth `info` names: 1, 4, 8 (with the colour table filled from the DC's
// palette and each pixel its nearest entry), 16 (5-5-5), 24 or 32 (BI_RGB).
// With null bits it only completes the header (biSizeImage; every field of
// it from the bitmap when biBitCount is 0) and answers non-zero. Returns the
// rows copied, 0 on failure. The bitmap may be selected into a DC.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info,
              UINT usage);

// Palettes. Every DC starts with the stock DEFAULT_PALETTE (the 20 static
// colours) selected; GetStockObject knows it alone. DeleteObject ignores it
// and refuses a palette selected into a DC.
#define DEFAULT_PALETTE 15
HGDIOBJ GetStockObject(int object);
HPALETTE CreatePalette(const LOGPALETTE* palette);                       // 1 to 256 entries
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);  // the previous one
UINT RealizePalette(HDC dc);  // the entries of the selected palette

// Modules, over the system loader. Paths may use a backslash as well as "/"
// as the separator, as on Windows: the emulation reads every backslash in a
// path as "/", so a file whose name holds a backslash cannot be named.
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
// NULL name: the main program. A name without a folder also finds a loaded
// module by its file name, without regard to case, as Windows does.
HMODULE GetModuleHandleA(LPCSTR name);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
// The system library folder: "/usr/lib", or the value of the environment
// variable RB_EMULATED_SYSTEM_DIRECTORY when it is set and not empty (so
// that tests can put a library where the system folder is searched; the
// emulation only).
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);

// The registry, holding string values (REG_SZ) only; the same for every copy
// of the emulation in the process, and empty when the process starts (a
// forked child starts with an empty one too). Keys
// compare without regard to case; each predefined root is a tree of its own.
// The tables are of fixed size: beyond 64 keys, 64 values, 64 open handles,
// 255-character paths and 1024-byte values a call fails with
// ERROR_OUTOFMEMORY. RegQueryValueExA reports the size stored (the
// terminating NUL counted when the writer passed it) and answers
// ERROR_MORE_DATA with that size when the buffer is too small.
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result);
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                        REGSAM access, const void* security, HKEY* result, LPDWORD disposition);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize);
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName);
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);  // a key with subkeys stays: ERROR_ACCESS_DENIED
LSTATUS RegCloseKey(HKEY key);

#endif  // _WIN32

#endif
