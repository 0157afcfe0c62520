// The C interface: creation by program id through a registry of its own,
// properties and methods by name and by id, errors, events, ownership of
// results; and the C example host, run as a program, whose PNG decodes back
// to the text it set.
#include "control/interface/tessaline.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "control/interface/barcodelib.h"
#include "control_images_support.h"
#include "platform/com/registry.h"

namespace fs = std::filesystem;

namespace {

std::string ToString(const TlVariant& v)
{
    switch (v.type) {
    case TL_EMPTY: return "empty";
    case TL_BOOL: return v.value.boolean ? "true" : "false";
    case TL_SHORT: return std::to_string(v.value.shortValue);
    case TL_LONG: return std::to_string(v.value.longValue);
    case TL_STRING: return v.value.string;
    case TL_FONT: return std::string(v.value.font.name) + " " + std::to_string(int(v.value.font.size));
    case TL_BYTES: return std::to_string(v.value.bytes.size) + " bytes";
    default: return "?";
    }
}

// Reads a property by name as text; "error" when the read fails.
std::string Get(TlObject* object, const char* name)
{
    TlVariant v;
    if (TL_FAILED(TlGet(object, name, &v))) return "error";
    std::string s = ToString(v);
    TlVariantClear(&v);
    return s;
}

struct Command {
    int exit = -1;
    std::string out;
};

// Runs a shell command, stdout captured, stderr joined to it.
Command RunCommand(const std::string& command)
{
    Command result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, pipe)) result.out.append(buf, n);
    const int status = pclose(pipe);
    result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Every test gets a registry file of its own in a temporary directory.
class CApi : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tessaline-capi-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        setenv("TESSALINE_REGISTRY", (m_dir / "registry.ini").c_str(), 1);
    }
    void TearDown() override
    {
        TlRelease(m_control);
        unsetenv("TESSALINE_REGISTRY");
        fs::remove_all(m_dir);
    }
    // A control created by program id through the registry.
    TlObject* Create()
    {
        EXPECT_EQ(DllRegisterServer(), S_OK);
        EXPECT_EQ(TlCreate("BARCODE.BarcodeCtrl.1", &m_control), TL_S_OK);
        return m_control;
    }

    fs::path m_dir;
    TlObject* m_control = nullptr;
};

// An event log kept by the C callback.
struct EventLog {
    TlObject* control;
    std::vector<std::string> lines;
    bool reenter = false;   // writes Type = MSI from TextChange
    bool release = false;   // releases the handle from TextChange
};

void LogEvent(void* context, TlObject* object, int32_t dispid, const TlVariant* args, size_t argCount)
{
    auto* log = static_cast<EventLog*>(context);
    EXPECT_EQ(object, log->control);
    std::string line = std::to_string(dispid) + "(";
    for (size_t i = 0; i < argCount; ++i) line += (i ? "," : "") + ToString(args[i]);
    log->lines.push_back(line + ")");
    if (dispid == eventidTextChange && log->reenter) {
        const TlVariant msi = TlVariantLong(CODEMSI);
        EXPECT_EQ(TlPutById(object, dispidType, &msi), TL_S_OK);
        TlVariant none;
        EXPECT_EQ(TlGet(object, "NoSuchThing", &none), TL_DISP_E_UNKNOWNNAME);
    }
    if (dispid == eventidTextChange && log->release) {
        TlRelease(object);
        log->control = nullptr;
    }
}

} // namespace

TEST_F(CApi, ANewControlAnswersByNameAndById)
{
    TlObject* c = Create();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Get(c, "TypeName"), "EAN 13");
    EXPECT_EQ(Get(c, "type"), "1"); // names are case-insensitive
    EXPECT_EQ(Get(c, "Text"), "123456789012");
    EXPECT_EQ(Get(c, "IsValid"), "true");
    EXPECT_EQ(Get(c, "Checksum"), "8");
    EXPECT_EQ(Get(c, "Borderwidth"), "3");

    TlVariant v;
    ASSERT_EQ(TlGetById(c, dispidFont, &v), TL_S_OK);
    ASSERT_EQ(v.type, TL_FONT);
    EXPECT_STREQ(v.value.font.name, "Arial");
    EXPECT_EQ(v.value.font.size, 18);
    EXPECT_EQ(v.value.font.weight, 700);
    TlVariantClear(&v);
    EXPECT_EQ(v.type, TL_EMPTY);

    ASSERT_EQ(TlInvoke(c, dispidVersion, TL_DISPATCH_PROPERTYGET, nullptr, 0, &v), TL_S_OK);
    EXPECT_STREQ(v.value.string, "5.13");
    TlVariantClear(&v);

    int32_t id = 0, w = 0, h = 0;
    EXPECT_EQ(TlGetIDOfName(c, "SaveAsPNGBySize", &id), TL_S_OK);
    EXPECT_EQ(id, dispidSaveAsPNGBySize);
    EXPECT_EQ(TlGetExtent(c, &w, &h), TL_S_OK);
    EXPECT_EQ(w, 250);
    EXPECT_EQ(h, 150);
}

TEST_F(CApi, PutsAndCallsReachTheControl)
{
    TlObject* c = Create();
    const TlVariant type = TlVariantString("Code 128");
    const TlVariant text = TlVariantString("Caf\xC3\xA9 42");
    const TlVariant rotate = TlVariantShort(90);
    const TlVariant noText = TlVariantBool(0);
    EXPECT_EQ(TlPut(c, "TypeName", &type), TL_S_OK);
    EXPECT_EQ(TlPutById(c, DISPID_TEXT, &text), TL_S_OK);
    EXPECT_EQ(TlPut(c, "Rotate", &rotate), TL_S_OK);
    EXPECT_EQ(TlPut(c, "ShowText", &noText), TL_S_OK);
    EXPECT_EQ(Get(c, "Type"), "14");
    EXPECT_EQ(Get(c, "Text"), "Caf\xC3\xA9 42");
    EXPECT_EQ(Get(c, "ShowText"), "false");

    TlVariant font{};
    font.type = TL_FONT;
    font.value.font = {"DejaVu Sans", 12, 400, 0, 1, 0, 0};
    EXPECT_EQ(TlPut(c, "Font", &font), TL_S_OK);
    EXPECT_EQ(Get(c, "Font"), "DejaVu Sans 12");

    // The PNG bytes belong to the caller until cleared.
    const TlVariant size[] = {TlVariantLong(150), TlVariantLong(420)};
    TlVariant png;
    ASSERT_EQ(TlCallById(c, dispidBinaryWriteAsPNGBySize, size, 2, &png), TL_S_OK);
    ASSERT_EQ(png.type, TL_BYTES);
    EXPECT_NE(png.owned, 0);
    const std::vector<uint8_t> bytes(png.value.bytes.data, png.value.bytes.data + png.value.bytes.size);
    TlVariantClear(&png);
    const GrayImage image = GrayFromPng(bytes);
    EXPECT_EQ(image.width, 150);
    EXPECT_EQ(image.height, 420);
    EXPECT_EQ(ScanZxing(image, "Code128", false, "ISO-8859-1").text, "Caf\xC3\xA9 42");
    int32_t w = 0, h = 0;
    EXPECT_EQ(TlGetExtent(c, &w, &h), TL_S_OK);
    EXPECT_EQ(w, 150);

    // The size-less save uses the extent a host sets.
    EXPECT_EQ(TlSetExtent(c, 300, 110), TL_S_OK);
    const std::string file = (m_dir / "c.png").string();
    const TlVariant name = TlVariantString(file.c_str());
    TlVariant saved;
    EXPECT_EQ(TlCall(c, "SaveAsPNG", &name, 1, &saved), TL_S_OK);
    EXPECT_EQ(ToString(saved), "1");
    EXPECT_EQ(GrayFromPng(ReadBytes(file)).width, 300);

    // Clearing a variant the host built frees nothing of the host's.
    TlVariant mine = TlVariantString("host memory");
    TlVariantClear(&mine);
    EXPECT_EQ(mine.type, TL_EMPTY);
}

TEST_F(CApi, FailuresComeBackAsStatusAndLastError)
{
    TlObject* c = Create();
    const TlVariant yes = TlVariantBool(1);
    const TlVariant bad = TlVariantLong(77);
    const TlVariant word = TlVariantString("x");
    TlVariant unknown{};
    unknown.type = 42;
    const TlVariant oneArg[] = {TlVariantString("a.png")};
    const TlVariant mismatch[] = {TlVariantString("wide"), TlVariantLong(3)};
    TlVariant out;
    struct Case {
        const char* what;
        std::function<TlStatus()> call;
        TlStatus expected;
        int32_t argIndex;
    };
    const Case cases[] = {
        {"read-only", [&] { return TlPut(c, "IsValid", &yes); }, TL_CTL_E_SETNOTSUPPORTED, -1},
        {"bad type", [&] { return TlPut(c, "Type", &bad); }, TL_CTL_E_INVALIDPROPERTYVALUE, -1},
        {"no member", [&] { return TlGet(c, "NoSuchThing", &out); }, TL_DISP_E_UNKNOWNNAME, -1},
        {"no id", [&] { return TlGetById(c, 4711, &out); }, TL_DISP_E_MEMBERNOTFOUND, -1},
        {"arguments", [&] { return TlCall(c, "SaveAsPNGBySize", oneArg, 1, &out); }, TL_DISP_E_BADPARAMCOUNT, -1},
        {"mismatch", [&] { return TlCall(c, "CreatePictureBySize", mismatch, 2, &out); }, TL_DISP_E_TYPEMISMATCH, 0},
        {"variant", [&] { return TlPut(c, "Text", &unknown); }, TL_E_INVALIDARG, 0},
        {"no object", [&] { return TlGet(nullptr, "Type", &out); }, TL_E_POINTER, -1},
        {"no value", [&] { return TlPut(c, "Text", nullptr); }, TL_E_POINTER, -1},
        {"method put", [&] { return TlPut(c, "SetDemoText", &word); }, TL_DISP_E_MEMBERNOTFOUND, -1},
    };
    for (const auto& k : cases) {
        out = TlVariantLong(5);
        const TlStatus status = k.call();
        EXPECT_EQ(status, k.expected) << k.what;
        TlErrorInfo info;
        EXPECT_EQ(TlGetLastError(&info), status) << k.what;
        EXPECT_EQ(info.status, status) << k.what;
        EXPECT_EQ(info.argIndex, k.argIndex) << k.what;
        EXPECT_STRNE(info.description, "") << k.what;
    }
    EXPECT_EQ(Get(c, "Type"), "1"); // the refused writes changed nothing
    out = TlVariantLong(5);
    EXPECT_EQ(TlGet(c, "NoSuchThing", &out), TL_DISP_E_UNKNOWNNAME);
    EXPECT_EQ(out.type, TL_EMPTY); // no result after a failure

    // A success clears the last error.
    EXPECT_EQ(Get(c, "Type"), "1");
    TlErrorInfo info;
    EXPECT_EQ(TlGetLastError(&info), TL_S_OK);
    EXPECT_STREQ(info.description, "");
}

TEST_F(CApi, EventsReachTheCallbackInOrder)
{
    TlObject* c = Create();
    EventLog log{c, {}};
    uint32_t cookie = 0;
    ASSERT_EQ(TlAdvise(c, LogEvent, &log, &cookie), TL_S_OK);
    int32_t textChange = 0;
    EXPECT_EQ(TlGetEventIDOfName(c, "TextChange", &textChange), TL_S_OK);
    EXPECT_EQ(textChange, eventidTextChange);

    const TlVariant on = TlVariantBool(1);
    const TlVariant twelve = TlVariantString("12");
    EXPECT_EQ(TlPut(c, "AutoType", &on), TL_S_OK);
    EXPECT_EQ(TlPut(c, "Text", &twelve), TL_S_OK);
    EXPECT_EQ(TlPut(c, "Text", &twelve), TL_S_OK); // the same text fires nothing
    EXPECT_EQ(log.lines, (std::vector<std::string>{"4(true)", "1(1)", "1(4)", "2(12)"}));

    // A handler that writes back into the control.
    const TlVariant off = TlVariantBool(0);
    EXPECT_EQ(TlPut(c, "AutoType", &off), TL_S_OK);
    log.lines.clear();
    log.reenter = true;
    const TlVariant code = TlVariantString("4711");
    EXPECT_EQ(TlPut(c, "Text", &code), TL_S_OK);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"2(4711)", "1(20)"}));
    EXPECT_EQ(TlGetLastError(nullptr), TL_S_OK); // the handler's failure was not this call's
    EXPECT_EQ(Get(c, "TypeName"), "MSI");

    // No more events once unadvised.
    log.lines.clear();
    EXPECT_EQ(TlUnadvise(c, cookie), TL_S_OK);
    EXPECT_EQ(TlUnadvise(c, cookie), TL_E_INVALIDARG);
    const TlVariant other = TlVariantString("815");
    EXPECT_EQ(TlPut(c, "Text", &other), TL_S_OK);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(CApi, AHandlerMayReleaseItsHandle)
{
    TlObject* c = Create();
    m_control = nullptr; // released by the handler
    EventLog log{c, {}};
    log.release = true;
    uint32_t first = 0, second = 0;
    ASSERT_EQ(TlAdvise(c, LogEvent, &log, &first), TL_S_OK);
    ASSERT_EQ(TlAdvise(c, LogEvent, &log, &second), TL_S_OK);
    const TlVariant text = TlVariantString("5901234123457");
    EXPECT_EQ(TlPut(c, "Text", &text), TL_S_OK);
    // The second sink went with the handle.
    EXPECT_EQ(log.lines, std::vector<std::string>{"2(5901234123457)"});
    EXPECT_EQ(log.control, nullptr);
}

TEST_F(CApi, CreationFailsClearlyWhenNothingIsRegistered)
{
    TlObject* c = reinterpret_cast<TlObject*>(1);
    EXPECT_EQ(TlCreate("BARCODE.BarcodeCtrl.1", &c), TL_REGDB_E_CLASSNOTREG);
    EXPECT_EQ(c, nullptr);
    TlErrorInfo info;
    TlGetLastError(&info);
    EXPECT_NE(std::string(info.description).find("not registered"), std::string::npos) << info.description;
    EXPECT_EQ(TlCreate(nullptr, &c), TL_E_POINTER);
}

TEST_F(CApi, BadHandlesPointersAndVariantsAreStatusesNotCrashes)
{
    TlObject* c = Create();
    TlObject* released = nullptr;
    ASSERT_EQ(TlCreate("BARCODE.BarcodeCtrl.1", &released), TL_S_OK);
    TlRelease(released);
    TlRelease(released); // a second release is harmless
    EXPECT_EQ(TlGetLastError(nullptr), TL_E_HANDLE);
    TlObject* stray = reinterpret_cast<TlObject*>(0x1234);

    TlVariant bytesWithoutData{};
    bytesWithoutData.type = TL_BYTES;
    bytesWithoutData.value.bytes.size = 10;
    TlVariant pictureWithoutPixels{};
    pictureWithoutPixels.type = TL_PICTURE;
    pictureWithoutPixels.value.picture.width = 4;
    pictureWithoutPixels.value.picture.height = 4;
    TlVariant deadObject{};
    deadObject.type = TL_OBJECT;
    deadObject.value.object = released;
    TlVariant nullString{};
    nullString.type = TL_STRING; // reads as the empty text
    const TlVariant word = TlVariantString("wide");
    TlVariant out;
    int32_t id = 0, w = 0;
    uint32_t cookie = 0;
    struct Case {
        const char* what;
        std::function<TlStatus()> call;
        TlStatus expected;
    };
    const Case cases[] = {
        {"released get", [&] { return TlGet(released, "Type", &out); }, TL_E_HANDLE},
        {"released put", [&] { return TlPutById(released, dispidType, &word); }, TL_E_HANDLE},
        {"released extent", [&] { return TlSetExtent(released, 10, 10); }, TL_E_HANDLE},
        {"released advise", [&] { return TlAdvise(released, LogEvent, nullptr, &cookie); }, TL_E_HANDLE},
        {"stray pointer", [&] { return TlGetIDOfName(stray, "Type", &id); }, TL_E_HANDLE},
        {"null object", [&] { return TlCallById(nullptr, dispidSetDemoText, nullptr, 0, &out); }, TL_E_POINTER},
        {"null name", [&] { return TlGet(c, nullptr, &out); }, TL_E_POINTER},
        {"null id place", [&] { return TlGetIDOfName(c, "Type", nullptr); }, TL_E_POINTER},
        {"null size place", [&] { return TlGetExtent(c, &w, nullptr); }, TL_E_POINTER},
        {"null handler", [&] { return TlAdvise(c, nullptr, nullptr, &cookie); }, TL_E_POINTER},
        {"null event name", [&] { return TlGetEventIDOfName(c, nullptr, &id); }, TL_E_POINTER},
        {"null arguments", [&] { return TlCallById(c, dispidSaveAsPNGBySize, nullptr, 3, &out); }, TL_E_POINTER},
        {"bytes without data", [&] { return TlPut(c, "Text", &bytesWithoutData); }, TL_E_INVALIDARG},
        {"picture without pixels", [&] { return TlPut(c, "Picture", &pictureWithoutPixels); }, TL_E_INVALIDARG},
        {"released object argument", [&] { return TlPut(c, "Font", &deadObject); }, TL_E_INVALIDARG},
        {"string for a short", [&] { return TlPut(c, "Borderwidth", &word); }, TL_DISP_E_TYPEMISMATCH},
        {"string for a long", [&] { return TlPutById(c, dispidType, &word); }, TL_DISP_E_TYPEMISMATCH},
        {"null string", [&] { return TlPut(c, "Text", &nullString); }, TL_S_OK},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(k.call(), k.expected) << k.what;
        TlErrorInfo info;
        TlGetLastError(&info);
        if (k.expected != TL_S_OK) {
            EXPECT_STRNE(info.description, "") << k.what;
        }
    }
    EXPECT_EQ(Get(c, "Text"), "");
    TlVariant cleared;
    ASSERT_EQ(TlGet(c, "TypeName", &cleared), TL_S_OK);
    TlVariantClear(&cleared);
    TlVariantClear(&cleared); // twice is harmless
    TlVariantClear(nullptr);
    EXPECT_EQ(cleared.type, TL_EMPTY);
}

TEST_F(CApi, AnotherThreadIsRefusedAndTheOwnerCarriesOn)
{
    TlObject* c = Create();
    TlStatus get = TL_S_OK, put = TL_S_OK, lastError = TL_S_OK;
    std::string description;
    std::thread other([&] {
        TlVariant v;
        get = TlGet(c, "Text", &v);
        const TlVariant text = TlVariantString("4711");
        put = TlPut(c, "Text", &text);
        TlRelease(c); // refused as well: the handle stays the owner's
        TlErrorInfo info;
        lastError = TlGetLastError(&info);
        description = info.description;
    });
    other.join();
    EXPECT_EQ(get, TL_RPC_E_WRONG_THREAD);
    EXPECT_EQ(put, TL_RPC_E_WRONG_THREAD);
    EXPECT_EQ(lastError, TL_RPC_E_WRONG_THREAD);
    EXPECT_NE(description.find("another thread"), std::string::npos) << description;
    EXPECT_EQ(Get(c, "Text"), "123456789012"); // untouched, still alive
}

// Every thread makes and uses a control of its own, all at once; each
// draws the same symbol as a control drawn alone.
TEST_F(CApi, ThreadsDrawWithTheirOwnControlsAtOnce)
{
    Create();
    auto draw = [](TlObject* control, const std::string& text, std::vector<uint8_t>& png) -> TlStatus {
        const TlVariant type = TlVariantString("Code 128");
        const TlVariant value = TlVariantString(text.c_str());
        const TlVariant size[] = {TlVariantLong(360), TlVariantLong(120)};
        if (TlStatus s = TlPut(control, "TypeName", &type); TL_FAILED(s)) return s;
        if (TlStatus s = TlPut(control, "Text", &value); TL_FAILED(s)) return s;
        TlVariant bytes;
        if (TlStatus s = TlCallById(control, dispidBinaryWriteAsPNGBySize, size, 2, &bytes); TL_FAILED(s)) return s;
        png.assign(bytes.value.bytes.data, bytes.value.bytes.data + bytes.value.bytes.size);
        TlVariantClear(&bytes);
        return TL_S_OK;
    };
    constexpr int kThreads = 8, kRounds = 6;
    std::vector<std::vector<uint8_t>> expected(kThreads), got(kThreads);
    for (int t = 0; t < kThreads; ++t) ASSERT_EQ(draw(m_control, "T" + std::to_string(t), expected[t]), TL_S_OK);

    std::vector<TlStatus> status(kThreads, TL_S_OK);
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            TlObject* mine = nullptr;
            status[t] = TlCreate("BARCODE.BarcodeCtrl.1", &mine);
            for (int round = 0; round < kRounds && TL_SUCCEEDED(status[t]); ++round) {
                status[t] = draw(mine, "T" + std::to_string(t), got[t]);
                // The pixels, not the bytes: the file carries the time it was made.
                if (GrayFromPng(got[t]).pixels != GrayFromPng(expected[t]).pixels) ++mismatches[t];
            }
            TlRelease(mine);
        });
    for (auto& t : threads) t.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(status[t], TL_S_OK) << t;
        EXPECT_EQ(mismatches[t], 0) << t;
        EXPECT_EQ(ScanZxing(GrayFromPng(got[t]), "Code128").text, "T" + std::to_string(t));
    }
}

// --- the example host ----------------------------------------------------------

class CApiExample : public CApi {
protected:
    static std::string Example() { return std::string(TESSALINE_BINARY_DIR) + "/examples/save_png"; }
    static int Register()
    {
        const std::string command = std::string(TESSALINE_BINARY_DIR) + "/tessaline-regsvr -s " +
                                    Quote(ModulePath(reinterpret_cast<const void*>(&DllRegisterServer)));
        return RunCommand(command).exit;
    }
};

TEST_F(CApiExample, SavesAPngThatDecodesToTheTextItSet)
{
    ASSERT_EQ(Register(), 0);
    struct Case {
        const char* type;
        const char* text;
        const char* format;
        const char* decoded;
    };
    const Case cases[] = {
        {"Code 128", "C-API 5.13", "Code128", "C-API 5.13"},
        {"EAN 13", "400638133393", "EAN13", "4006381333931"},
        {"code39", "TESSALINE-42", "Code39", "TESSALINE-42"},
    };
    for (const auto& k : cases) {
        const fs::path file = m_dir / (std::string(k.format) + ".png");
        const Command run = RunCommand(Example() + " " + Quote(file.string()) + " " + Quote(k.type) + " " + Quote(k.text));
        EXPECT_EQ(run.exit, 0) << run.out;
        EXPECT_NE(run.out.find(std::string("TextChange(") + k.text + ")"), std::string::npos) << run.out;
        const GrayImage image = GrayFromPng(ReadBytes(file));
        EXPECT_EQ(image.width, 400) << k.type;
        EXPECT_EQ(image.height, 160) << k.type;
        EXPECT_EQ(ScanZxing(image, k.format).text, k.decoded) << k.type;
    }
}

TEST_F(CApiExample, ReportsWhatWentWrong)
{
    const fs::path file = m_dir / "x.png";
    Command run = RunCommand(Example() + " " + Quote(file.string()));
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.out.find("not registered"), std::string::npos) << run.out;

    ASSERT_EQ(Register(), 0);
    run = RunCommand(Example() + " " + Quote(file.string()) + " 'EAN 13' abc");
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.out.find("not valid"), std::string::npos) << run.out;
    run = RunCommand(Example() + " " + Quote(file.string()) + " 'Code 128' 'much too long for ten pixels' 10 100");
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.out.find("does not fit"), std::string::npos) << run.out;
    run = RunCommand(Example() + " " + Quote(file.string()) + " 'No Such Type' 1");
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.out.find("unknown type name"), std::string::npos) << run.out;
    run = RunCommand(Example());
    EXPECT_EQ(run.exit, 2);
    EXPECT_FALSE(fs::exists(file));
}
