#include "pbx/soap/SoapEnvelope.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <pugixml.hpp>

#include "pbx/SoapSamples.h"
#include "pbx/soap/SoapServerEnvelope.h"

namespace korvi::soap {
namespace {

using test::RequestEnvelope;
using test::SampleRequests;

// Child element names of the first element with this name, in document order.
std::vector<std::string> ChildNames(const std::string& xml, const char* element) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(xml.c_str()));
    std::vector<std::string> names;
    pugi::xml_node n =
        doc.find_node([&](pugi::xml_node x) { return std::string_view(x.name()) == element; });
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element) names.emplace_back(c.name());
    }
    return names;
}

std::string Envelope(std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>" +
           std::string(body) + "</s:Body></s:Envelope>";
}

TEST(SoapRequestTest, EveryRequestReadsBackUnchangedThroughTheStrictReader) {
    for (const AnyRequest& request : SampleRequests()) {
        const std::string xml = RequestEnvelope(request);
        AnyRequest parsed;
        SoapResult r = ParseRequestEnvelope(xml, parsed);
        ASSERT_TRUE(r.ok()) << r.message << "\n" << xml;
        EXPECT_EQ(parsed, request) << xml;
    }
}

TEST(SoapRequestTest, AddOrUpdateWritesTheSequenceInOrderWithEmptyFirstNameAndEscapes) {
    Request_SPG_AddOrUpdateContact add;
    add.userDetails = MakeUserDetails("anna", "1234");
    add.contact = test::SampleContact();
    const std::string xml = BuildRequestEnvelope(add);

    EXPECT_TRUE(xml.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_NE(xml.find("<RequestData-SPG-AddOrUpdateContact xmlns=\"urn:v1.IPPBX.services.qvx\">"),
              std::string::npos);
    EXPECT_EQ(ChildNames(xml, "RequestData-SPG-AddOrUpdateContact"),
              (std::vector<std::string>{"userDetails", "contact"}));
    EXPECT_EQ(ChildNames(xml, "userDetails"),
              (std::vector<std::string>{"userID", "userPin", "clientDistr", "clientVer"}));
    EXPECT_EQ(ChildNames(xml, "contact"),
              (std::vector<std::string>{"contactId", "contactType", "displayName", "lastName",
                                        "firstName", "contactNumbers", "contactNumbers"}));
    EXPECT_EQ(
        ChildNames(xml, "contactNumbers"),
        (std::vector<std::string>{"ref", "number", "numberType", "barring", "lineAccess", "cli"}));
    EXPECT_NE(xml.find("<firstName/>"), std::string::npos);
    EXPECT_NE(xml.find("<clientDistr>0</clientDistr><clientVer>1.1.17</clientVer>"),
              std::string::npos);
    EXPECT_NE(xml.find("<displayName>Smith &amp; &lt;Sons&gt; &quot;Ltd&quot; O&apos;Brien"
                       "</displayName>"),
              std::string::npos);
    EXPECT_NE(xml.find("<barring>-2147483648</barring>"), std::string::npos);
    EXPECT_EQ(xml.find("xsi:"), std::string::npos);
    EXPECT_EQ(xml.find("Header"), std::string::npos);
}

TEST(SoapRequestTest, UnsetOptionalsAndEmptyArraysWriteNothing) {
    Request_SPG_AddOrUpdateContact add;
    add.userDetails.userID = "u";
    add.contact.displayName = "x";
    const std::string xml = BuildRequestEnvelope(add);
    EXPECT_EQ(ChildNames(xml, "userDetails"), (std::vector<std::string>{"userID", "userPin"}));
    EXPECT_EQ(ChildNames(xml, "contact"),
              (std::vector<std::string>{"contactId", "contactType", "displayName"}));
}

TEST(SoapRequestTest, TextThatXmlCannotCarryIsMadeSafeAndCrSurvives) {
    Request_SPG_GetContactIdList req;
    req.userDetails.userID = std::string(
        "a\x01"
        "b\xFF"
        "c\r\nd\te",
        10);
    const std::string xml = BuildRequestEnvelope(req);
    AnyRequest parsed;
    SoapResult r = ParseRequestEnvelope(xml, parsed);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(std::get<Request_SPG_GetContactIdList>(parsed).userDetails.userID,
              "ab\xEF\xBF\xBD"
              "c\r\nd\te");
}

TEST(SoapResponseTest, EveryResponseReadsBackUnchanged) {
    auto roundTrip = [](const auto& response) {
        std::decay_t<decltype(response)> parsed;
        parsed.returnData.errCode = 99;  // must be reset by the parse
        const std::string xml = BuildResponseEnvelope(response);
        SoapResult r = ParseResponseEnvelope(xml, parsed);
        EXPECT_TRUE(r.ok()) << r.message << "\n" << xml;
        EXPECT_EQ(parsed, response) << xml;
    };
    roundTrip(test::SampleCheckServiceResponse());
    roundTrip(Response_SYS_CheckService{});
    roundTrip(Response_SPG_GetExtnInfo{{{7,
                                         "K\xC3\xBC"
                                         "che",
                                         "201"},
                                        {8, "", ""}},
                                       {"", 0}});
    roundTrip(Response_SPG_GetContactIdList{{1000, 1002, 1001}, {"", 0}});
    roundTrip(Response_SPG_GetContactIdList{{}, {"Not allowed", 5}});
    roundTrip(test::SampleGetContactResponse());
    roundTrip(Response_SPG_GetContact{std::nullopt, {"Contact not found", 3}});
    roundTrip(Response_SPG_DeleteContact{{"", 0}});
    roundTrip(Response_SPG_AddOrUpdateContact{1234, {"", 0}});
}

TEST(SoapResponseTest, ReadsByLocalNameWhateverThePrefixOrderOrExtras) {
    const std::string xml = Envelope(
        "<ns1:ResponseData-SPG-GetContactIdList xmlns:ns1=\"urn:v1.IPPBX.services.qvx\">"
        "<ns1:returnData><ns1:errCode> 0 </ns1:errCode><ns1:errDesc>fine</ns1:errDesc>"
        "</ns1:returnData><ns1:contactIdList>1003</ns1:contactIdList><ns1:unknown>x</ns1:unknown>"
        "<contactIdList>+1001</contactIdList><ns1:contactIdList>1002</ns1:contactIdList>"
        "</ns1:ResponseData-SPG-GetContactIdList>");
    Response_SPG_GetContactIdList r;
    ASSERT_TRUE(ParseResponseEnvelope(xml, r).ok());
    EXPECT_EQ(r.contactIdList, (std::vector<int32_t>{1003, 1001, 1002}));
    EXPECT_EQ(r.returnData, (TReturnStruct{"fine", 0}));
}

// Stacks on other platforms often start their answer with a UTF-8 byte order mark.
TEST(SoapResponseTest, AByteOrderMarkIsAccepted) {
    const std::string xml =
        "\xEF\xBB\xBF" + BuildResponseEnvelope(Response_SPG_AddOrUpdateContact{1234, {"", 0}});
    Response_SPG_AddOrUpdateContact r;
    ASSERT_TRUE(ParseResponseEnvelope(xml, r).ok());
    EXPECT_EQ(r.contactId, 1234);
}

TEST(SoapResponseTest, AbsentElementsLeaveDefaultsAndClearFlags) {
    Response_SYS_CheckService check;
    ASSERT_TRUE(ParseResponseEnvelope(Envelope("<ResponseData-SYS-CheckService "
                                               "xmlns=\"urn:v1.IPPBX.services.qvx\">"
                                               "<cIdx>4</cIdx></ResponseData-SYS-CheckService>"),
                                      check)
                    .ok());
    EXPECT_FALSE(check.sysInfo.has_value());
    EXPECT_FALSE(check.browserChallenge.has_value());
    EXPECT_EQ(check.cIdx, 4);
    EXPECT_EQ(check.returnData, TReturnStruct{});
    const TSysInfoStruct info = check.sysInfo.value_or(TSysInfoStruct{});
    EXPECT_EQ(info, TSysInfoStruct{});

    Response_SPG_GetContactIdList ids;
    ASSERT_TRUE(ParseResponseEnvelope(Envelope("<ResponseData-SPG-GetContactIdList/>"), ids).ok());
    EXPECT_TRUE(ids.contactIdList.empty());

    Response_SPG_GetContact get;
    ASSERT_TRUE(ParseResponseEnvelope(
                    Envelope("<ResponseData-SPG-GetContact><contact><displayName>A</displayName>"
                             "<firstName/></contact></ResponseData-SPG-GetContact>"),
                    get)
                    .ok());
    ASSERT_TRUE(get.contact.has_value());
    EXPECT_FALSE(get.contact->lastName.has_value());
    EXPECT_EQ(get.contact->firstName, std::optional<std::string>(""));
    EXPECT_TRUE(get.contact->contactNumbers.empty());
}

TEST(SoapResponseTest, FaultIsAFaultNeverASuccess) {
    const std::string xml = BuildFaultEnvelope(kFaultServer, "Database & <locked>");
    Response_SPG_DeleteContact r;
    SoapResult result = ParseResponseEnvelope(xml, r);
    EXPECT_EQ(result.kind, SoapResult::Fault);
    EXPECT_EQ(result.faultcode, "soap:Server");
    EXPECT_EQ(result.faultstring, "Database & <locked>");
    EXPECT_EQ(result.message, "Database & <locked>");
}

struct BadResponseCase {
    const char* name;
    std::string xml;
    const char* messagePart;
};

class SoapBadResponseTest : public testing::TestWithParam<BadResponseCase> {};

TEST_P(SoapBadResponseTest, IsAnErrorThatSaysWhat) {
    Response_SPG_GetContact r;
    SoapResult result = ParseResponseEnvelope(GetParam().xml, r);
    EXPECT_EQ(result.kind, SoapResult::Error);
    EXPECT_NE(result.message.find(GetParam().messagePart), std::string::npos) << result.message;
    EXPECT_EQ(r, Response_SPG_GetContact{});
}

const BadResponseCase kBadResponses[] = {
    {"Empty_IsError", "", "Empty response"},
    {"Html_IsNotAnEnvelope", "<html><body>502 Bad Gateway</body></html>", "Not a SOAP envelope"},
    {"Malformed_NamesOffset", "<s:Envelope><s:Body></s:Envelop>", "at offset"},
    {"NotUtf8_NamesOffset",
     Envelope("<ResponseData-SPG-GetContact><contact><displayName>M\xFC"
              "ller</displayName></contact></ResponseData-SPG-GetContact>"),
     "Invalid UTF-8 byte at offset"},
    {"NoBody_IsError", "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"/>",
     "no Body"},
    {"EmptyBody_IsError", Envelope(""), "Body is empty"},
    {"OtherOperation_IsError", Envelope("<ResponseData-SPG-GetExtnInfo/>"),
     "Expected 'ResponseData-SPG-GetContact' but got 'ResponseData-SPG-GetExtnInfo'"},
    {"BadInteger_IsError",
     Envelope("<ResponseData-SPG-GetContact><contact><contactId>10x</contactId></contact>"
              "</ResponseData-SPG-GetContact>"),
     "Invalid integer '10x' in element 'contactId'"},
    {"HugeInteger_IsError",
     Envelope("<ResponseData-SPG-GetContact><returnData><errCode>2147483648</errCode>"
              "</returnData></ResponseData-SPG-GetContact>"),
     "out of range in element 'errCode'"},
    {"EmptyInteger_IsError",
     Envelope("<ResponseData-SPG-GetContact><contact><contactNumbers><ref/></contactNumbers>"
              "</contact></ResponseData-SPG-GetContact>"),
     "Invalid integer '' in element 'ref'"},
};

INSTANTIATE_TEST_SUITE_P(Soap, SoapBadResponseTest, testing::ValuesIn(kBadResponses),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SoapResponseTest, EveryTruncationOfAResponseIsAnError) {
    const std::string full = BuildResponseEnvelope(test::SampleGetContactResponse());
    const std::size_t end = full.rfind('>') + 1;
    for (std::size_t len = 0; len < end; ++len) {
        Response_SPG_GetContact r;
        SoapResult result = ParseResponseEnvelope(std::string_view(full).substr(0, len), r);
        ASSERT_EQ(result.kind, SoapResult::Error) << "prefix of " << len << " bytes";
        ASSERT_FALSE(result.message.empty());
    }
}

struct BadRequestCase {
    const char* name;
    std::string xml;
    const char* faultcode;
    const char* faultPart;
};

class SoapStrictRequestTest : public testing::TestWithParam<BadRequestCase> {};

TEST_P(SoapStrictRequestTest, IsRefusedWithAFaultThatSaysWhere) {
    AnyRequest request;
    SoapResult r = ParseRequestEnvelope(GetParam().xml, request);
    EXPECT_EQ(r.kind, SoapResult::Fault);
    EXPECT_EQ(r.faultcode, GetParam().faultcode);
    EXPECT_NE(r.faultstring.find(GetParam().faultPart), std::string::npos) << r.faultstring;
}

std::string Body(std::string_view inner, std::string_view element = "RequestData-SPG-GetContact",
                 std::string_view ns = "xmlns=\"urn:v1.IPPBX.services.qvx\"") {
    return Envelope("<" + std::string(element) + " " + std::string(ns) + ">" + std::string(inner) +
                    "</" + std::string(element) + ">");
}

constexpr char kUser[] = "<userDetails><userID>u</userID><userPin>p</userPin></userDetails>";

const BadRequestCase kBadRequests[] = {
    {"NotXml_IsClientFault", "hello", "soap:Client", "at offset"},
    {"NotAnEnvelope_IsClientFault", "<Envelope/>", "soap:Client", "Not a SOAP envelope"},
    {"Soap12_IsVersionMismatch",
     "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body/></e:Envelope>",
     "soap:VersionMismatch", "SOAP 1.1"},
    {"Doctype_IsRefused",
     "<!DOCTYPE x [<!ENTITY a \"b\">]><s:Envelope "
     "xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body/></s:Envelope>",
     "soap:Client", "DOCTYPE"},
    {"NoBody_IsRefused", "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"/>",
     "soap:Client", "no Body"},
    {"EmptyBody_IsRefused", Envelope(""), "soap:Client", "holds no element"},
    {"TwoBodyElements_AreRefused",
     Envelope("<RequestData-SPG-GetExtnInfo xmlns=\"urn:v1.IPPBX.services.qvx\">" +
              std::string(kUser) + "</RequestData-SPG-GetExtnInfo><x/>"),
     "soap:Client", "more than one element"},
    {"MustUnderstandHeader_IsRefused",
     "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Header>"
     "<t:Session xmlns:t=\"urn:x\" s:mustUnderstand=\"1\">1</t:Session></s:Header><s:Body>"
     "<RequestData-SPG-GetExtnInfo xmlns=\"urn:v1.IPPBX.services.qvx\">" +
         std::string(kUser) + "</RequestData-SPG-GetExtnInfo></s:Body></s:Envelope>",
     "soap:MustUnderstand", "'Session'"},
    {"UnknownOperation_IsRefused", Body(kUser, "RequestData-SPG-Reboot"), "soap:Client",
     "Unknown operation element 'RequestData-SPG-Reboot'"},
    {"WrongNamespace_IsRefused",
     Body(std::string(kUser) + "<contactId>1</contactId>", "RequestData-SPG-GetContact",
          "xmlns=\"urn:v2.IPPBX.services.qvx\""),
     "soap:Client", "instead of 'urn:v1.IPPBX.services.qvx'"},
    {"UnqualifiedChildren_AreRefused",
     Body("<userDetails xmlns=\"\"><userID>u</userID><userPin>p</userPin></userDetails>"
          "<contactId>1</contactId>",
          "q:RequestData-SPG-GetContact", "xmlns:q=\"urn:v1.IPPBX.services.qvx\""),
     "soap:Client", "'userDetails' in 'RequestData-SPG-GetContact' is not namespace-qualified"},
    {"MissingRequired_IsRefused", Body(kUser), "soap:Client",
     "Missing element 'contactId' in 'RequestData-SPG-GetContact'"},
    {"MissingPin_IsRefused",
     Body("<userDetails><userID>u</userID></userDetails><contactId>1</contactId>"), "soap:Client",
     "Missing element 'userPin' in 'userDetails'"},
    {"WrongOrder_IsRefused",
     Body("<userDetails><userPin>p</userPin><userID>u</userID></userDetails>"
          "<contactId>1</contactId>"),
     "soap:Client", "Unexpected element 'userPin' in 'userDetails' where 'userID' was expected"},
    {"UnknownElement_IsRefused",
     Body(std::string(kUser) + "<contactId>1</contactId><force>1</force>"), "soap:Client",
     "Unexpected element 'force' in 'RequestData-SPG-GetContact'"},
    {"RepeatedOnceElement_IsRefused",
     Body(std::string(kUser) + "<contactId>1</contactId><contactId>2</contactId>"), "soap:Client",
     "Unexpected element 'contactId'"},
    {"BadInteger_IsRefused", Body(std::string(kUser) + "<contactId>1e3</contactId>"), "soap:Client",
     "Invalid integer '1e3' in element 'contactId'"},
    {"OutOfRangeInteger_IsRefused", Body(std::string(kUser) + "<contactId>-2147483649</contactId>"),
     "soap:Client", "out of range in element 'contactId'"},
    {"TypeAttribute_IsRefused",
     Body(std::string(kUser) + "<contactId xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                               "xsi:type=\"xsd:int\">1</contactId>"),
     "soap:Client", "Unexpected attribute 'xsi:type' on element 'contactId'"},
    {"StrayText_IsRefused", Body(std::string(kUser) + "oops<contactId>1</contactId>"),
     "soap:Client", "Unexpected text in element 'RequestData-SPG-GetContact'"},
    {"ElementInsideString_IsRefused",
     Body("<userDetails><userID><b>u</b></userID><userPin>p</userPin></userDetails>"
          "<contactId>1</contactId>"),
     "soap:Client", "'userID' must hold text"},
};

INSTANTIATE_TEST_SUITE_P(Soap, SoapStrictRequestTest, testing::ValuesIn(kBadRequests),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SoapStrictRequestTest, AcceptsOtherPrefixesHeadersAndBlanksAStrictStackWouldAccept) {
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">\n"
        "  <SOAP-ENV:Header><t:Trace xmlns:t=\"urn:x\">1</t:Trace></SOAP-ENV:Header>\n"
        "  <SOAP-ENV:Body>\n"
        "    <NS1:RequestData-SPG-DeleteContact xmlns:NS1=\"urn:v1.IPPBX.services.qvx\">\n"
        "      <NS1:userDetails><NS1:userID>u</NS1:userID><NS1:userPin> </NS1:userPin>"
        "</NS1:userDetails>\n"
        "      <NS1:deleteType>BY_TYPE</NS1:deleteType>\n"
        "      <NS1:deleteParam> +65533 </NS1:deleteParam>\n"
        "    </NS1:RequestData-SPG-DeleteContact>\n"
        "  </SOAP-ENV:Body>\n"
        "</SOAP-ENV:Envelope>\n";
    AnyRequest request;
    SoapResult r = ParseRequestEnvelope(xml, request);
    ASSERT_TRUE(r.ok()) << r.message;
    const auto& del = std::get<Request_SPG_DeleteContact>(request);
    EXPECT_EQ(del.userDetails.userPin, " ");
    EXPECT_EQ(del.deleteType, "BY_TYPE");
    EXPECT_EQ(del.deleteParam, 65533);
    EXPECT_EQ(OperationOf(request), Operation::kSpgDeleteContact);
}

TEST(SoapOperationTest, NamesFollowTheServiceDescription) {
    const OperationInfo& info = GetOperationInfo(Operation::kSpgAddOrUpdateContact);
    EXPECT_EQ(info.soapAction, "SPG-AddOrUpdateContact");
    EXPECT_EQ(info.port, "IPPBX-SPG-Services");
    EXPECT_EQ(info.requestElement, "RequestData-SPG-AddOrUpdateContact");
    EXPECT_EQ(info.responseElement, "ResponseData-SPG-AddOrUpdateContact");
    EXPECT_EQ(info.requestPart, "SPG-AddOrUpdateContactRequestMessagePart");
    EXPECT_EQ(GetOperationInfo(Operation::kSysCheckService).port, "IPPBX-SYS-Services");
    EXPECT_EQ(FindOperationBySoapAction("SPG-GetContact")->operation, Operation::kSpgGetContact);
    EXPECT_EQ(FindOperationBySoapAction("GetContact"), nullptr);
    EXPECT_EQ(AllOperations().size(), 6u);
}

}  // namespace
}  // namespace korvi::soap
