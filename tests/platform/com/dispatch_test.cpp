#include <gtest/gtest.h>

#include "platform/com/dispatch.h"
#include "platform/com/events.h"

namespace {

// A small object described by its type library: what the checked Invoke
// lets through reaches these hooks.
constexpr ParamDesc kScaleParams[] = {{"Factor", ValueType::Short}, {"Label", ValueType::String}};
constexpr MemberDesc kMembers[] = {
    {1, "Count", MemberKind::Property, ValueType::Long},
    {2, "Name", MemberKind::ReadOnlyProperty, ValueType::String},
    {3, "Scale", MemberKind::Method, ValueType::String, kScaleParams},
    {4, "Reset", MemberKind::Method, ValueType::Void},
    {DISPID_VALUE, "Count", MemberKind::Property, ValueType::Long},
};
const InterfaceDesc kInterface{"_DProbe", IID{}, "probe", kMembers};

class CProbe : public CDispatchImpl {
public:
    const InterfaceDesc& GetTypeInfo() const override { return kInterface; }
    int32_t m_count = 3;
    std::vector<Variant> m_lastArgs;

protected:
    Variant InvokeGet(const MemberDesc& m) override
    {
        return m.id == 2 ? Variant("probe") : Variant(m_count);
    }
    void InvokePut(const MemberDesc&, const Variant& v) override { m_count = v.ToLong(); }
    Variant InvokeMethod(const MemberDesc& m, const std::vector<Variant>& args) override
    {
        m_lastArgs = args;
        if (m.id == 4)
            m_count = 0;
        return m.id == 3 ? Variant(args[1].ToString() + std::to_string(args[0].ToShort() * m_count)) : Variant();
    }
};

TEST(Dispatch, FindsMembersAndParametersByName)
{
    CProbe probe;
    std::vector<DISPID> ids;
    EXPECT_EQ(probe.GetIDsOfNames({"scale", "LABEL", "factor"}, ids), S_OK);
    EXPECT_EQ(ids, (std::vector<DISPID>{3, 1, 0}));
    EXPECT_EQ(probe.GetIDsOfNames({"Scale", "Width"}, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids, (std::vector<DISPID>{3, DISPID_UNKNOWN}));
    EXPECT_EQ(probe.GetIDsOfNames({"Missing"}, ids), DISP_E_UNKNOWNNAME);
    // The default value is reached by its id only; its name is the member's.
    EXPECT_EQ(probe.GetIDOfName("COUNT"), 1);
}

TEST(Dispatch, GetsPutsAndCallsWithConvertedArguments)
{
    CProbe probe;
    EXPECT_EQ(probe.GetProperty("Count"), Variant(3));
    EXPECT_EQ(probe.GetProperty(DISPID_VALUE), Variant(3));
    probe.PutProperty(1, Variant("12")); // converted to the property's type
    EXPECT_EQ(probe.m_count, 12);
    EXPECT_EQ(probe.Call("Scale", {Variant(2), Variant(7)}), Variant("724"));
    EXPECT_EQ(probe.m_lastArgs[0].Type(), ValueType::Short);
    EXPECT_EQ(probe.m_lastArgs[1].Type(), ValueType::String);
    // A property read by a method call, and a method with a get call.
    EXPECT_EQ(probe.Invoke(1, DISPATCH_METHOD), Variant(12));
    EXPECT_EQ(probe.Invoke(4, DISPATCH_METHOD | DISPATCH_PROPERTYGET), Variant());
    EXPECT_EQ(probe.m_count, 0);
}

TEST(Dispatch, RefusesBadCallsWithTheirStatus)
{
    struct Case {
        const char* what;
        DISPID id;
        uint16_t flags;
        std::vector<Variant> args;
        HRESULT status;
        int argIndex;
    };
    const Case cases[] = {
        {"unknown id", 99, DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND, -1},
        {"read-only write", 2, DISPATCH_PROPERTYPUT, {Variant("x")}, CTL_E_SETNOTSUPPORTED, -1},
        {"put on a method", 4, DISPATCH_PROPERTYPUT, {Variant(1)}, DISP_E_MEMBERNOTFOUND, -1},
        {"put without value", 1, DISPATCH_PROPERTYPUT, {}, DISP_E_BADPARAMCOUNT, -1},
        {"get with argument", 1, DISPATCH_PROPERTYGET, {Variant(1)}, DISP_E_BADPARAMCOUNT, -1},
        {"too few arguments", 3, DISPATCH_METHOD, {Variant(1)}, DISP_E_BADPARAMCOUNT, -1},
        {"too many arguments", 4, DISPATCH_METHOD, {Variant(1)}, DISP_E_BADPARAMCOUNT, -1},
        {"mismatched argument", 3, DISPATCH_METHOD, {Variant("two"), Variant("x")}, DISP_E_TYPEMISMATCH, 0},
        {"overflowing argument", 3, DISPATCH_METHOD, {Variant(1 << 20), Variant("x")}, DISP_E_OVERFLOW, 0},
        {"mismatched value", 1, DISPATCH_PROPERTYPUT, {Variant(FontObject{})}, DISP_E_TYPEMISMATCH, 0},
        {"no flags", 1, 0, {}, DISP_E_MEMBERNOTFOUND, -1},
    };
    for (const auto& c : cases) {
        CProbe probe;
        try {
            probe.Invoke(c.id, c.flags, c.args);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const DispatchError& e) {
            EXPECT_EQ(e.Status(), c.status) << c.what;
            EXPECT_EQ(e.ArgIndex(), c.argIndex) << c.what;
        }
        EXPECT_EQ(probe.m_count, 3) << c.what << " changed the object";
    }
    CProbe probe;
    try {
        probe.GetProperty("Nothing");
        ADD_FAILURE();
    } catch (const DispatchError& e) {
        EXPECT_EQ(e.Status(), DISP_E_UNKNOWNNAME);
    }
}

TEST(DispatchError, CarriesCodeDescriptionAndHelpContext)
{
    const DispatchError e(DISP_E_EXCEPTION, "Out of Memory", 0, 1004);
    EXPECT_EQ(e.Status(), DISP_E_EXCEPTION);
    EXPECT_EQ(e.Code(), 1004);
    EXPECT_EQ(e.Description(), "Out of Memory");
    EXPECT_STREQ(e.what(), "Out of Memory");
    const DispatchError plain(CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(plain.Description(), "");
    EXPECT_STREQ(plain.what(), "Invalid property value");
}

TEST(ConnectionPoint, CallsSinksInOrderAndSurvivesChangesWhileFiring)
{
    CConnectionPoint point;
    std::vector<std::string> log;
    uint32_t second = 0, added = 0;
    const uint32_t first = point.Advise([&](DISPID id, const std::vector<Variant>& args) {
        log.push_back("first " + std::to_string(id) + " " + args[0].ToString());
        point.Unadvise(second); // removed during the event: not called for it
        added = point.Advise([&](DISPID, const std::vector<Variant>&) { log.push_back("added"); });
    });
    second = point.Advise([&](DISPID, const std::vector<Variant>&) { log.push_back("second"); });
    point.Advise([&](DISPID, const std::vector<Variant>&) {
        log.push_back("throws");
        throw DispatchError(E_FAIL);
    });
    point.Advise([&](DISPID, const std::vector<Variant>&) { log.push_back("last"); });
    EXPECT_NE(first, 0u);

    point.Fire(2, {Variant("12")});
    EXPECT_EQ(log, (std::vector<std::string>{"first 2 12", "throws", "last"}));
    EXPECT_FALSE(point.Unadvise(second));
    EXPECT_TRUE(point.Unadvise(first));
    log.clear();
    point.Fire(1, {Variant(4)});
    EXPECT_EQ(log, (std::vector<std::string>{"throws", "last", "added"}));
    EXPECT_TRUE(point.Unadvise(added));
}

} // namespace
