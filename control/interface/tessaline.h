/* The C interface of Tessaline components, for hosts in any language (C,
 * or any language with a C foreign-function interface).
 *
 * A host creates a component by its program id ("BARCODE.BarcodeCtrl.1"
 * for the barcode control), gets and puts its properties and calls its
 * methods through its dispatch interface, by member name or by dispatch
 * id, with values in TlVariant, receives its events through a callback,
 * and releases it. The component library must be registered first
 * (tessaline-regsvr, `cmake --install` or the package); the registries
 * looked in are $TESSALINE_REGISTRY, the user's
 * ${XDG_DATA_HOME:-~/.local/share}/tessaline/registry.ini and the system's
 * tessaline/registry.ini under ${XDG_DATA_DIRS:-/usr/local/share:/usr/share},
 * the first entry found winning.
 *
 * Rules:
 *  - Strings are UTF-8 and NUL-terminated.
 *  - Every operation returns a status: TL_S_OK (0) or another non-negative
 *    value on success, a negative value on failure. TlGetLastError
 *    describes the outcome of the last operation on the calling thread.
 *  - Variants the library fills (results) own what they point to; release
 *    them with TlVariantClear. Variants a host passes in are only read and
 *    never freed by the library. TlVariantClear is harmless on a variant
 *    the host built itself.
 *  - A component lives on the thread that created it; use it from that
 *    thread only. A call from any other thread (and so any call made at
 *    the same time as another on the same handle) does nothing and returns
 *    TL_RPC_E_WRONG_THREAD. Each thread may create and use components of
 *    its own, all at the same time. Events are delivered synchronously on
 *    the owner thread, from inside the call that caused them; a handler may
 *    call the component again and may even release the handle it was
 *    called for.
 *  - Handles are tokens that are never given out twice. A released handle,
 *    or anything that is no handle, gives TL_E_HANDLE; releasing a handle a
 *    second time is harmless (TlGetLastError then says TL_E_HANDLE).
 *    TlRelease from a thread other than the owner releases nothing (last
 *    error TL_RPC_E_WRONG_THREAD): release on the owner thread.
 *  - NULL where a pointer is required gives TL_E_POINTER; a variant of an
 *    unknown type or an inconsistent one (bytes without data, a picture
 *    without pixels) gives TL_E_INVALIDARG; a variant of the wrong type
 *    for a member gives TL_DISP_E_TYPEMISMATCH. Clearing a variant twice
 *    is harmless.
 */
#ifndef TESSALINE_H
#define TESSALINE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* --- status codes -------------------------------------------------------- */

typedef int32_t TlStatus;

#define TL_SUCCEEDED(status) ((status) >= 0)
#define TL_FAILED(status) ((status) < 0)

#define TL_S_OK ((TlStatus)0)
#define TL_E_NOTIMPL ((TlStatus)0x80004001u)
#define TL_E_NOINTERFACE ((TlStatus)0x80004002u)      /* no dispatch or event interface */
#define TL_E_POINTER ((TlStatus)0x80004003u)          /* a required pointer is NULL */
#define TL_E_FAIL ((TlStatus)0x80004005u)
#define TL_E_HANDLE ((TlStatus)0x80070006u)           /* not a live handle: released, or never made */
#define TL_E_OUTOFMEMORY ((TlStatus)0x8007000Eu)
#define TL_E_INVALIDARG ((TlStatus)0x80070057u)       /* a malformed variant */
#define TL_DISP_E_MEMBERNOTFOUND ((TlStatus)0x80020003u)
#define TL_DISP_E_TYPEMISMATCH ((TlStatus)0x80020005u)
#define TL_DISP_E_UNKNOWNNAME ((TlStatus)0x80020006u)
#define TL_DISP_E_EXCEPTION ((TlStatus)0x80020009u)   /* see TlErrorInfo.code */
#define TL_DISP_E_OVERFLOW ((TlStatus)0x8002000Au)
#define TL_DISP_E_BADPARAMCOUNT ((TlStatus)0x8002000Eu)
#define TL_RPC_E_WRONG_THREAD ((TlStatus)0x8001010Eu)  /* the handle belongs to another thread */
#define TL_REGDB_E_CLASSNOTREG ((TlStatus)0x80040154u) /* program id not registered */
#define TL_CO_E_DLLNOTFOUND ((TlStatus)0x800401F8u)    /* its library cannot be loaded */
#define TL_CTL_E_INVALIDPROPERTYVALUE ((TlStatus)0x800A017Cu)
#define TL_CTL_E_SETNOTSUPPORTED ((TlStatus)0x800A017Fu) /* the property is read-only */

/* What the last operation on this thread ended with. */
typedef struct TlErrorInfo {
    TlStatus status;         /* TL_S_OK after a success */
    uint16_t code;           /* TL_DISP_E_EXCEPTION: the component's own code (1004 ...) */
    uint32_t helpContext;    /* TL_DISP_E_EXCEPTION: its help context */
    int32_t argIndex;        /* the argument at fault (first is 0), or -1 */
    const char* description; /* UTF-8, "" after a success; valid until the next operation */
} TlErrorInfo;

/* Fills `info` (when not NULL) and returns the last operation's status. */
TlStatus TlGetLastError(TlErrorInfo* info);

/* --- variants ------------------------------------------------------------ */

typedef struct TlObject TlObject; /* a component, as a host holds it */

typedef enum TlType {
    TL_EMPTY = 0,
    TL_BOOL = 1,    /* value.boolean: 0 or 1 */
    TL_SHORT = 2,   /* value.shortValue: 16-bit */
    TL_LONG = 3,    /* value.longValue: 32-bit; also colours (0x00BBGGRR) */
    TL_STRING = 4,  /* value.string */
    TL_FONT = 5,    /* value.font */
    TL_PICTURE = 6, /* value.picture: a bitmap */
    TL_BYTES = 7,   /* value.bytes: a one-dimensional array of bytes */
    TL_OBJECT = 8   /* value.object: another component (may be NULL) */
} TlType;

typedef struct TlFont {
    const char* name; /* face name */
    double size;      /* points */
    int16_t weight;   /* 400 normal, 700 bold */
    int16_t charset;
    uint8_t italic, underline, strikethrough;
} TlFont;

typedef struct TlPicture {
    int32_t width, height;
    const uint32_t* pixels; /* width x height, top row first, each 0x00RRGGBB */
} TlPicture;

typedef struct TlBytes {
    const uint8_t* data;
    size_t size;
} TlBytes;

typedef struct TlVariant {
    int32_t type;  /* a TlType */
    int32_t owned; /* non-zero: filled by the library, to be cleared */
    union {
        int32_t boolean;
        int16_t shortValue;
        int32_t longValue;
        const char* string;
        TlFont font;
        TlPicture picture;
        TlBytes bytes;
        TlObject* object;
    } value;
} TlVariant;

/* Variants that refer to the host's own data (nothing is copied). */
TlVariant TlVariantEmpty(void);
TlVariant TlVariantBool(int32_t value);
TlVariant TlVariantShort(int16_t value);
TlVariant TlVariantLong(int32_t value);
TlVariant TlVariantString(const char* value);
TlVariant TlVariantBytes(const uint8_t* data, size_t size);

/* Frees what a library-filled variant owns and leaves it empty. */
void TlVariantClear(TlVariant* variant);

/* --- components ---------------------------------------------------------- */

/* Creates a component by program id (or braced class id) and initialises
 * it with its defaults. On failure *object is NULL and TlGetLastError says
 * why (TL_REGDB_E_CLASSNOTREG, TL_CO_E_DLLNOTFOUND, ...). */
TlStatus TlCreate(const char* progId, TlObject** object);
/* Releases the handle (NULL is ignored); its event handlers are removed. */
void TlRelease(TlObject* object);

/* The component's size in pixels, as a container would set it. */
TlStatus TlSetExtent(TlObject* object, int32_t width, int32_t height);
TlStatus TlGetExtent(TlObject* object, int32_t* width, int32_t* height);

/* --- the dispatch interface ---------------------------------------------- */

/* Flags of TlInvoke. */
#define TL_DISPATCH_METHOD 1
#define TL_DISPATCH_PROPERTYGET 2
#define TL_DISPATCH_PROPERTYPUT 4

/* The dispatch id of a member (case-insensitive name). */
TlStatus TlGetIDOfName(TlObject* object, const char* name, int32_t* dispid);

/* Gets, puts or calls member `dispid` with `argCount` arguments in
 * declared order. `result` (may be NULL) receives the value, owned. */
TlStatus TlInvoke(TlObject* object, int32_t dispid, uint16_t flags, const TlVariant* args, size_t argCount,
                  TlVariant* result);

/* By name. */
TlStatus TlGet(TlObject* object, const char* name, TlVariant* result);
TlStatus TlPut(TlObject* object, const char* name, const TlVariant* value);
TlStatus TlCall(TlObject* object, const char* name, const TlVariant* args, size_t argCount, TlVariant* result);

/* By dispatch id. */
TlStatus TlGetById(TlObject* object, int32_t dispid, TlVariant* result);
TlStatus TlPutById(TlObject* object, int32_t dispid, const TlVariant* value);
TlStatus TlCallById(TlObject* object, int32_t dispid, const TlVariant* args, size_t argCount, TlVariant* result);

/* --- events -------------------------------------------------------------- */

/* Receives one event: the handle it was advised on, the event's dispatch
 * id and its arguments, which (and whatever they point to) are valid only
 * during the call. */
typedef void (*TlEventHandler)(void* context, TlObject* object, int32_t dispid, const TlVariant* args,
                               size_t argCount);

/* The dispatch id of an event (case-insensitive name). */
TlStatus TlGetEventIDOfName(TlObject* object, const char* name, int32_t* dispid);
/* Calls `handler` for every event from now on; *cookie identifies it. */
TlStatus TlAdvise(TlObject* object, TlEventHandler handler, void* context, uint32_t* cookie);
TlStatus TlUnadvise(TlObject* object, uint32_t cookie);


/* --- the render API ------------------------------------------------------ */

/* Rendering without a component: a type (an id such as "1", or any name
 * the type-name parser takes: "ean13", "Code 128"), a text (UTF-8; NULL
 * for the type's sample text) and options give image bytes, a file, or
 * the symbol's report. No registry is needed. Any thread may call these
 * at any time; each thread renders with a control of its own. */

#define TL_E_TEXT ((TlStatus)0x80041001u)  /* the text is not valid for the type */
#define TL_E_SIZE ((TlStatus)0x80041002u)  /* the symbol does not fit the size */
#define TL_E_GS1 ((TlStatus)0x80041003u)   /* an element string breaks a GS1 rule */
#define TL_E_LIMIT ((TlStatus)0x80041004u) /* beyond the limits (text length, image size) */
#define TL_E_WRITE ((TlStatus)0x80041005u) /* the file cannot be written */

typedef struct TlRenderOptions {
    uint32_t structSize;           /* sizeof(TlRenderOptions), set by TlRenderOptionsInit */
    int32_t width, height;         /* 0, 0: sized from the symbol (module, quiet zones, bar height) */
    int32_t module;                /* pixels a module when sized (2) */
    double moduleMm;               /* > 0: module width in millimetres at dpi */
    double barHeight, barHeightMm; /* > 0: bar height in modules / millimetres */
    int32_t rotate;                /* 0, 90, 180, 270 clockwise */
    int32_t showText;              /* 1 */
    const char* fontFace;          /* "Arial" (NULL: the default) */
    double fontPoints;             /* 0: follows the module */
    int32_t fontBold, fontItalic;  /* 1, 0 */
    uint32_t foreground, background; /* 0xRRGGBB: 0x000000, 0xFFFFFF */
    int32_t borderWidth, borderHeight; /* pixels; -1: the default */
    int32_t notch;                 /* 25 */
    int32_t quietZones, bearerBars; /* 1, 1 */
    int32_t bilevel, interlace;    /* 0, 0 */
    int32_t jpegQuality;           /* 90 */
    int32_t dpi;                   /* 96 */
    int32_t autoType;              /* 0 */
    int32_t gs1Check;              /* 1 */
} TlRenderOptions;

/* The defaults above. */
void TlRenderOptionsInit(TlRenderOptions* options);

/* Renders into `image` (TL_BYTES, owned: TlVariantClear frees it) in
 * `format`: "png", "jpg", "bmp", "svg", "pdf" or "eps". `options` may be
 * NULL for the defaults. On failure `image` is empty and TlGetLastError
 * gives the reason (TL_E_TEXT, TL_E_SIZE, TL_E_GS1, TL_E_LIMIT,
 * TL_E_INVALIDARG for an unknown type, format or option value). */
TlStatus TlRender(const char* type, const char* text, const char* format, const TlRenderOptions* options,
                  TlVariant* image);
/* Renders and writes `path`, the format from its extension; a failure
 * (TL_E_WRITE among the others) leaves an existing file as it was. */
TlStatus TlRenderFile(const char* path, const char* type, const char* text, const TlRenderOptions* options);
/* The symbol's report as a JSON object in `json` (TL_STRING, owned):
 * type, typeName, text, valid, checksum, sizeOk, reason, width, height,
 * modules and, for GS1 types, gs1. An invalid text is a report, not a
 * failure. */
TlStatus TlInspect(const char* type, const char* text, const TlRenderOptions* options, TlVariant* json);

#ifdef __cplusplus
}
#endif

#endif /* TESSALINE_H */
