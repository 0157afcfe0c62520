// The C interface over the component model: handles, variants in C form,
// the dispatch calls and event sinks. No C++ exception crosses it: every
// failure becomes a status and the thread's last error.
#include "control/interface/tessaline.h"

#include <tessaline/tessaline.hpp>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/com/olecontrol.h"
#include "platform/com/registry.h"

struct TlObject {
    std::shared_ptr<IDispatch> dispatch;
    std::shared_ptr<IEventSource> events; // null when the object fires none
    std::shared_ptr<IOleControl> control; // null when it is no control
    std::vector<uint32_t> cookies;        // sinks advised through this handle
};

namespace {

struct LastError {
    TlStatus status = S_OK;
    uint16_t code = 0;
    uint32_t helpContext = 0;
    int32_t argIndex = -1;
    std::string description;
};
thread_local LastError t_lastError;

TlStatus Fail(TlStatus status, std::string description, uint16_t code = 0, uint32_t helpContext = 0,
              int32_t argIndex = -1)
{
    t_lastError.status = status;
    t_lastError.code = code;
    t_lastError.helpContext = helpContext;
    t_lastError.argIndex = argIndex;
    t_lastError.description = description.empty() ? DescribeStatus(status) : std::move(description);
    return status;
}

// Runs one operation: whatever it throws ends as a status, and a success
// clears the last error (which a call made from an event handler inside
// it may have set).
template <class F>
TlStatus Guard(F&& operation) noexcept
{
    try {
        const TlStatus status = operation();
        if (SUCCEEDED(status)) t_lastError = LastError{};
        return status;
    } catch (const DispatchError& e) {
        try {
            return Fail(e.Status(), e.Description(), e.Code(), e.HelpContext(), e.ArgIndex());
        } catch (...) {
            t_lastError.status = e.Status();
            return e.Status();
        }
    } catch (const std::bad_alloc&) {
        t_lastError.status = E_OUTOFMEMORY;
        return E_OUTOFMEMORY;
    } catch (...) {
        t_lastError.status = E_FAIL;
        return E_FAIL;
    }
}

// --- variants: C to C++ -------------------------------------------------------

Variant FromC(const TlVariant& v, int index)
{
    auto bad = [index](const char* why) { return DispatchError(E_INVALIDARG, why, 0, 0, index); };
    switch (v.type) {
    case TL_EMPTY: return Variant();
    case TL_BOOL: return Variant(v.value.boolean != 0);
    case TL_SHORT: return Variant(v.value.shortValue);
    case TL_LONG: return Variant(v.value.longValue);
    case TL_STRING: return Variant(v.value.string ? v.value.string : "");
    case TL_FONT: {
        FontObject font;
        font.name = v.value.font.name ? v.value.font.name : "";
        font.size = v.value.font.size;
        font.weight = v.value.font.weight;
        font.charset = v.value.font.charset;
        font.italic = v.value.font.italic != 0;
        font.underline = v.value.font.underline != 0;
        font.strikethrough = v.value.font.strikethrough != 0;
        return Variant(std::move(font));
    }
    case TL_PICTURE: {
        const TlPicture& p = v.value.picture;
        if (p.width == 0 && p.height == 0 && !p.pixels) return Variant(PicturePtr());
        if (p.width < 1 || p.height < 1 || !p.pixels) throw bad("a picture needs a size and its pixels");
        auto picture = std::make_shared<PictureObject>();
        picture->width = p.width;
        picture->height = p.height;
        picture->pixels.assign(p.pixels, p.pixels + size_t(p.width) * size_t(p.height));
        return Variant(PicturePtr(std::move(picture)));
    }
    case TL_BYTES:
        if (!v.value.bytes.data && v.value.bytes.size) throw bad("a byte array without its bytes");
        return Variant(std::vector<uint8_t>(v.value.bytes.data, v.value.bytes.data + v.value.bytes.size));
    case TL_OBJECT: return Variant(v.value.object ? v.value.object->dispatch : std::shared_ptr<IDispatch>());
    default: throw bad("unknown variant type");
    }
}

std::vector<Variant> FromC(const TlVariant* args, size_t count)
{
    if (count && !args) throw DispatchError(E_POINTER, "arguments missing");
    std::vector<Variant> out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) out.push_back(FromC(args[i], int(i)));
    return out;
}

// --- variants: C++ to C ---------------------------------------------------------

TlObject* NewHandle(std::shared_ptr<IDispatch> dispatch)
{
    if (!dispatch) return nullptr;
    auto handle = std::make_unique<TlObject>();
    handle->events = std::dynamic_pointer_cast<IEventSource>(dispatch);
    handle->control = std::dynamic_pointer_cast<IOleControl>(dispatch);
    handle->dispatch = std::move(dispatch);
    return handle.release();
}

template <class T>
T* CopyOut(const T* data, size_t count)
{
    if (count == 0) return nullptr;
    auto* copy = static_cast<T*>(std::malloc(count * sizeof(T)));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, data, count * sizeof(T));
    return copy;
}

char* CopyOut(const std::string& s) { return CopyOut(s.c_str(), s.size() + 1); }

// What borrowed C variants point into: copies of strings and handles of
// objects, kept for as long as the variants are used.
struct Borrowed {
    std::deque<std::string> strings;
    std::vector<std::unique_ptr<TlObject>> handles;
};

// Fills `out` with `v`. Owned (`keep` null): every pointer is a fresh copy
// that TlVariantClear frees. Borrowed: pointers into `v` and `keep`.
void ToC(const Variant& v, TlVariant& out, Borrowed* keep = nullptr)
{
    const bool owned = keep == nullptr;
    TlVariant result{};
    result.owned = owned;
    switch (v.Type()) {
    case ValueType::Bool: result.type = TL_BOOL; result.value.boolean = v.ToBool() ? 1 : 0; break;
    case ValueType::Short: result.type = TL_SHORT; result.value.shortValue = v.ToShort(); break;
    case ValueType::Long: result.type = TL_LONG; result.value.longValue = v.ToLong(); break;
    case ValueType::String:
        result.type = TL_STRING;
        result.value.string = owned ? CopyOut(v.ToString()) : keep->strings.emplace_back(v.ToString()).c_str();
        break;
    case ValueType::Font: {
        const FontObject& f = v.ToFont();
        result.type = TL_FONT;
        result.value.font = {owned ? CopyOut(f.name) : f.name.c_str(), f.size, f.weight, f.charset,
                             uint8_t(f.italic), uint8_t(f.underline), uint8_t(f.strikethrough)};
        break;
    }
    case ValueType::Picture:
        result.type = TL_PICTURE;
        if (const PicturePtr p = v.ToPicture()) {
            result.value.picture.width = p->width;
            result.value.picture.height = p->height;
            result.value.picture.pixels = owned ? CopyOut(p->pixels.data(), p->pixels.size()) : p->pixels.data();
        }
        break;
    case ValueType::ByteArray: {
        const std::vector<uint8_t>& bytes = v.ToBytes();
        result.type = TL_BYTES;
        result.value.bytes.data = owned ? CopyOut(bytes.data(), bytes.size()) : bytes.data();
        result.value.bytes.size = bytes.size();
        break;
    }
    case ValueType::Dispatch:
        result.type = TL_OBJECT;
        result.value.object = NewHandle(v.ToDispatch());
        if (!owned && result.value.object) keep->handles.emplace_back(result.value.object);
        break;
    default: result.type = TL_EMPTY; break;
    }
    out = result;
}

// --- the calls ---------------------------------------------------------------------

TlStatus Invoke(TlObject* object, DISPID dispid, uint16_t flags, const TlVariant* args, size_t argCount,
                TlVariant* result)
{
    if (!object) return Fail(E_POINTER, "no object");
    const std::vector<Variant> in = FromC(args, argCount);
    // The handle may be released by an event handler during the call.
    const std::shared_ptr<IDispatch> dispatch = object->dispatch;
    const Variant value = dispatch->Invoke(dispid, flags, in);
    if (result) ToC(value, *result);
    return S_OK;
}

TlStatus IdOfName(TlObject* object, const char* name, DISPID& dispid)
{
    if (!object || !name) return Fail(E_POINTER, "no object or no name");
    dispid = object->dispatch->GetIDOfName(name);
    if (dispid == DISPID_UNKNOWN) return Fail(DISP_E_UNKNOWNNAME, std::string("no member named ") + name);
    return S_OK;
}

} // namespace

// --- exported ---------------------------------------------------------------------------

extern "C" {

TlStatus TlGetLastError(TlErrorInfo* info)
{
    if (info) {
        info->status = t_lastError.status;
        info->code = t_lastError.code;
        info->helpContext = t_lastError.helpContext;
        info->argIndex = t_lastError.argIndex;
        info->description = t_lastError.description.c_str();
    }
    return t_lastError.status;
}

TlVariant TlVariantEmpty(void) { return TlVariant{}; }

TlVariant TlVariantBool(int32_t value)
{
    TlVariant v{};
    v.type = TL_BOOL;
    v.value.boolean = value != 0;
    return v;
}

TlVariant TlVariantShort(int16_t value)
{
    TlVariant v{};
    v.type = TL_SHORT;
    v.value.shortValue = value;
    return v;
}

TlVariant TlVariantLong(int32_t value)
{
    TlVariant v{};
    v.type = TL_LONG;
    v.value.longValue = value;
    return v;
}

TlVariant TlVariantString(const char* value)
{
    TlVariant v{};
    v.type = TL_STRING;
    v.value.string = value;
    return v;
}

TlVariant TlVariantBytes(const uint8_t* data, size_t size)
{
    TlVariant v{};
    v.type = TL_BYTES;
    v.value.bytes = {data, size};
    return v;
}

void TlVariantClear(TlVariant* variant)
{
    if (!variant) return;
    if (variant->owned) {
        switch (variant->type) {
        case TL_STRING: std::free(const_cast<char*>(variant->value.string)); break;
        case TL_FONT: std::free(const_cast<char*>(variant->value.font.name)); break;
        case TL_PICTURE: std::free(const_cast<uint32_t*>(variant->value.picture.pixels)); break;
        case TL_BYTES: std::free(const_cast<uint8_t*>(variant->value.bytes.data)); break;
        case TL_OBJECT: TlRelease(variant->value.object); break;
        default: break;
        }
    }
    *variant = TlVariant{};
}

TlStatus TlCreate(const char* progId, TlObject** object)
{
    return Guard([&]() -> TlStatus {
        if (!object) return Fail(E_POINTER, "no place for the object");
        *object = nullptr;
        if (!progId) return Fail(E_POINTER, "no program id");
        std::shared_ptr<IUnknown> unknown;
        std::string why;
        if (const HRESULT hr = CoCreateInstance(progId, unknown, &why); FAILED(hr)) return Fail(hr, why);
        auto dispatch = std::dynamic_pointer_cast<IDispatch>(unknown);
        if (!dispatch) return Fail(E_NOINTERFACE, std::string(progId) + " has no dispatch interface");
        std::unique_ptr<TlObject> handle(NewHandle(std::move(dispatch)));
        if (handle->control) {
            if (const HRESULT hr = handle->control->InitNew(); FAILED(hr)) return Fail(hr, "");
        }
        *object = handle.release();
        return S_OK;
    });
}

void TlRelease(TlObject* object)
{
    if (!object) return;
    if (object->events)
        for (uint32_t cookie : object->cookies) object->events->Unadvise(cookie);
    delete object;
}

TlStatus TlSetExtent(TlObject* object, int32_t width, int32_t height)
{
    return Guard([&]() -> TlStatus {
        if (!object) return Fail(E_POINTER, "no object");
        if (!object->control) return Fail(E_NOINTERFACE, "the object is no control");
        object->control->SetExtent(SIZE{width, height});
        return S_OK;
    });
}

TlStatus TlGetExtent(TlObject* object, int32_t* width, int32_t* height)
{
    return Guard([&]() -> TlStatus {
        if (!object || !width || !height) return Fail(E_POINTER, "no object or no place for the size");
        if (!object->control) return Fail(E_NOINTERFACE, "the object is no control");
        const SIZE size = object->control->GetExtent();
        *width = size.cx;
        *height = size.cy;
        return S_OK;
    });
}

TlStatus TlGetIDOfName(TlObject* object, const char* name, int32_t* dispid)
{
    return Guard([&]() -> TlStatus {
        if (!dispid) return Fail(E_POINTER, "no place for the id");
        return IdOfName(object, name, *dispid);
    });
}

TlStatus TlInvoke(TlObject* object, int32_t dispid, uint16_t flags, const TlVariant* args, size_t argCount,
                  TlVariant* result)
{
    if (result) *result = TlVariant{};
    return Guard([&] { return Invoke(object, dispid, flags, args, argCount, result); });
}

TlStatus TlGetById(TlObject* object, int32_t dispid, TlVariant* result)
{
    if (result) *result = TlVariant{};
    return Guard([&] { return Invoke(object, dispid, DISPATCH_PROPERTYGET, nullptr, 0, result); });
}

TlStatus TlPutById(TlObject* object, int32_t dispid, const TlVariant* value)
{
    return Guard([&]() -> TlStatus {
        if (!value) return Fail(E_POINTER, "no value");
        return Invoke(object, dispid, DISPATCH_PROPERTYPUT, value, 1, nullptr);
    });
}

TlStatus TlCallById(TlObject* object, int32_t dispid, const TlVariant* args, size_t argCount, TlVariant* result)
{
    if (result) *result = TlVariant{};
    return Guard([&] { return Invoke(object, dispid, DISPATCH_METHOD, args, argCount, result); });
}

TlStatus TlGet(TlObject* object, const char* name, TlVariant* result)
{
    if (result) *result = TlVariant{};
    return Guard([&]() -> TlStatus {
        DISPID id;
        if (const TlStatus s = IdOfName(object, name, id); FAILED(s)) return s;
        return Invoke(object, id, DISPATCH_PROPERTYGET, nullptr, 0, result);
    });
}

TlStatus TlPut(TlObject* object, const char* name, const TlVariant* value)
{
    return Guard([&]() -> TlStatus {
        if (!value) return Fail(E_POINTER, "no value");
        DISPID id;
        if (const TlStatus s = IdOfName(object, name, id); FAILED(s)) return s;
        return Invoke(object, id, DISPATCH_PROPERTYPUT, value, 1, nullptr);
    });
}

TlStatus TlCall(TlObject* object, const char* name, const TlVariant* args, size_t argCount, TlVariant* result)
{
    if (result) *result = TlVariant{};
    return Guard([&]() -> TlStatus {
        DISPID id;
        if (const TlStatus s = IdOfName(object, name, id); FAILED(s)) return s;
        return Invoke(object, id, DISPATCH_METHOD, args, argCount, result);
    });
}

TlStatus TlGetEventIDOfName(TlObject* object, const char* name, int32_t* dispid)
{
    return Guard([&]() -> TlStatus {
        if (!object || !name || !dispid) return Fail(E_POINTER, "no object, name or place for the id");
        if (!object->events) return Fail(E_NOINTERFACE, "the object fires no events");
        const MemberDesc* event = object->events->GetEventInfo().Find(std::string_view(name));
        if (!event) return Fail(DISP_E_UNKNOWNNAME, std::string("no event named ") + name);
        *dispid = event->id;
        return S_OK;
    });
}

TlStatus TlAdvise(TlObject* object, TlEventHandler handler, void* context, uint32_t* cookie)
{
    return Guard([&]() -> TlStatus {
        if (!object || !handler || !cookie) return Fail(E_POINTER, "no object, handler or place for the cookie");
        if (!object->events) return Fail(E_NOINTERFACE, "the object fires no events");
        object->cookies.reserve(object->cookies.size() + 1);
        // The sink holds the handle only by address: TlRelease unadvises
        // every sink of a handle before the handle goes.
        *cookie = object->events->Advise([handler, context, object](DISPID id, const std::vector<Variant>& args) {
            std::vector<TlVariant> c(args.size());
            Borrowed keep;
            for (size_t i = 0; i < args.size(); ++i) ToC(args[i], c[i], &keep);
            handler(context, object, id, c.data(), c.size());
        });
        object->cookies.push_back(*cookie);
        return S_OK;
    });
}

TlStatus TlUnadvise(TlObject* object, uint32_t cookie)
{
    return Guard([&]() -> TlStatus {
        if (!object) return Fail(E_POINTER, "no object");
        if (!object->events) return Fail(E_NOINTERFACE, "the object fires no events");
        std::erase(object->cookies, cookie);
        if (!object->events->Unadvise(cookie)) return Fail(E_INVALIDARG, "no handler with that cookie");
        return S_OK;
    });
}

} // extern "C"

// --- the render API ----------------------------------------------------------

namespace {

tessaline::RenderOptions ToRenderOptions(const TlRenderOptions* c)
{
    tessaline::RenderOptions o;
    if (!c) return o;
    if (c->structSize < sizeof(TlRenderOptions))
        throw tessaline::CRenderError(tessaline::ErrorKind::Usage, "options not set up by TlRenderOptionsInit");
    o.width = c->width;
    o.height = c->height;
    o.module = c->module;
    o.moduleMm = c->moduleMm;
    o.barHeight = c->barHeight;
    o.barHeightMm = c->barHeightMm;
    o.rotate = c->rotate;
    o.showText = c->showText != 0;
    if (c->fontFace) o.fontFace = c->fontFace;
    o.fontPoints = c->fontPoints;
    o.fontBold = c->fontBold != 0;
    o.fontItalic = c->fontItalic != 0;
    o.foreground = c->foreground;
    o.background = c->background;
    o.borderWidth = c->borderWidth;
    o.borderHeight = c->borderHeight;
    o.notch = c->notch;
    o.quietZones = c->quietZones != 0;
    o.bearerBars = c->bearerBars != 0;
    o.bilevel = c->bilevel != 0;
    o.interlace = c->interlace != 0;
    o.jpegQuality = c->jpegQuality;
    o.dpi = c->dpi;
    o.autoType = c->autoType != 0;
    o.gs1Check = c->gs1Check != 0;
    return o;
}

TlStatus RenderStatus(tessaline::ErrorKind kind)
{
    switch (kind) {
    case tessaline::ErrorKind::Usage: return TL_E_INVALIDARG;
    case tessaline::ErrorKind::InvalidText: return TL_E_TEXT;
    case tessaline::ErrorKind::DoesNotFit: return TL_E_SIZE;
    case tessaline::ErrorKind::Gs1: return TL_E_GS1;
    case tessaline::ErrorKind::Limit: return TL_E_LIMIT;
    default: return TL_E_WRITE;
    }
}

// A render call: its errors become the status and the last error.
template <class F>
TlStatus RenderGuard(F&& operation) noexcept
{
    return Guard([&]() -> TlStatus {
        try {
            return operation();
        } catch (const tessaline::CRenderError& e) {
            return Fail(RenderStatus(e.Kind()), e.what());
        }
    });
}

std::optional<std::string_view> OptionalText(const char* text)
{
    if (!text) return std::nullopt;
    return std::string_view(text);
}

} // namespace

extern "C" {

void TlRenderOptionsInit(TlRenderOptions* c)
{
    if (!c) return;
    const tessaline::RenderOptions o;
    *c = TlRenderOptions{};
    c->structSize = sizeof(TlRenderOptions);
    c->module = o.module;
    c->showText = 1;
    c->fontBold = 1;
    c->foreground = o.foreground;
    c->background = o.background;
    c->borderWidth = c->borderHeight = -1;
    c->notch = o.notch;
    c->quietZones = c->bearerBars = 1;
    c->jpegQuality = o.jpegQuality;
    c->dpi = o.dpi;
    c->gs1Check = 1;
}

TlStatus TlRender(const char* type, const char* text, const char* format, const TlRenderOptions* options,
                  TlVariant* image)
{
    return RenderGuard([&]() -> TlStatus {
        if (!type || !format || !image) return Fail(E_POINTER, "a type, a format and a result are needed");
        *image = TlVariant{};
        const auto f = tessaline::FormatFromName(format);
        if (!f) return Fail(E_INVALIDARG, std::string("unknown image format \"") + format + "\"");
        const tessaline::Image out = tessaline::Render(type, OptionalText(text), *f, ToRenderOptions(options));
        auto* data = static_cast<uint8_t*>(std::malloc(std::max<size_t>(out.bytes.size(), 1)));
        if (!data) return Fail(E_OUTOFMEMORY, "");
        std::memcpy(data, out.bytes.data(), out.bytes.size());
        image->type = TL_BYTES;
        image->owned = 1;
        image->value.bytes = {data, out.bytes.size()};
        return S_OK;
    });
}

TlStatus TlRenderFile(const char* path, const char* type, const char* text, const TlRenderOptions* options)
{
    return RenderGuard([&]() -> TlStatus {
        if (!path || !type) return Fail(E_POINTER, "a path and a type are needed");
        tessaline::Save(path, type, OptionalText(text), ToRenderOptions(options));
        return S_OK;
    });
}

TlStatus TlInspect(const char* type, const char* text, const TlRenderOptions* options, TlVariant* json)
{
    return RenderGuard([&]() -> TlStatus {
        if (!type || !json) return Fail(E_POINTER, "a type and a result are needed");
        *json = TlVariant{};
        const std::string report = tessaline::Inspect(type, OptionalText(text), ToRenderOptions(options)).ToJson();
        char* copy = static_cast<char*>(std::malloc(report.size() + 1));
        if (!copy) return Fail(E_OUTOFMEMORY, "");
        std::memcpy(copy, report.c_str(), report.size() + 1);
        json->type = TL_STRING;
        json->owned = 1;
        json->value.string = copy;
        return S_OK;
    });
}

} // extern "C"
