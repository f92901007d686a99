// Which device descriptions describe a PBX, and where its presentation page is.
#include "pbx/discovery/PbxDescription.h"

#include <string>

#include <gtest/gtest.h>

namespace korvi {
namespace {

std::string Root(const std::string& device) {
    return "<?xml version=\"1.0\"?>\n<root xmlns=\"urn:schemas-upnp-org:device-1-0\">"
           "<specVersion><major>1</major><minor>0</minor></specVersion>" +
           device + "</root>";
}

std::string Device(const std::string& type, const std::string& presentation,
                   const std::string& embedded = {}) {
    std::string xml = "<device><deviceType>" + type + "</deviceType><UDN>uuid:1</UDN>";
    if (!presentation.empty()) xml += "<presentationURL>" + presentation + "</presentationURL>";
    if (!embedded.empty()) xml += "<deviceList>" + embedded + "</deviceList>";
    return xml + "</device>";
}

constexpr char kPbx[] = "urn:schemas-qvx-com:device:IPPBX:1";
constexpr char kRouter[] = "urn:schemas-upnp-org:device:InternetGatewayDevice:1";

struct DescriptionCase {
    const char* name;
    std::string xml;
    bool isPbx;
    const char* presentation;
};

const DescriptionCase kCases[] = {
    {"RootPbx", Root(Device(kPbx, "http://10.0.0.5/")), true, "http://10.0.0.5/"},
    {"PresentationTrimmed", Root(Device(kPbx, "\n   http://10.0.0.5/  \n")), true,
     "http://10.0.0.5/"},
    {"NoPresentation", Root(Device(kPbx, "")), true, ""},
    {"LaterVersion", Root(Device("urn:schemas-qvx-com:device:IPPBX:2", "/")), true, "/"},
    {"EmbeddedPbx",
     Root(Device(kRouter, "http://10.0.0.1/",
                 Device("urn:schemas-upnp-org:device:WANDevice:1", "") +
                     Device(kPbx, "http://10.0.0.1:8080/"))),
     true, "http://10.0.0.1:8080/"},
    {"Prefixed",
     "<u:root xmlns:u=\"urn:schemas-upnp-org:device-1-0\"><u:device><u:deviceType>" +
         std::string(kPbx) + "</u:deviceType></u:device></u:root>",
     true, ""},
    {"Router_NoPbx", Root(Device(kRouter, "http://10.0.0.1/")), false, ""},
    {"VersionZero_NoPbx", Root(Device("urn:schemas-qvx-com:device:IPPBX:0", "")), false, ""},
    {"VersionWithSuffix_NoPbx", Root(Device("urn:schemas-qvx-com:device:IPPBX:1x", "")), false, ""},
    {"OtherMaker_NoPbx", Root(Device("urn:schemas-other-com:device:IPPBX:1", "")), false, ""},
    {"TypeOutsideADevice_NoPbx",
     Root("<service><deviceType>" + std::string(kPbx) + "</deviceType></service>"), false, ""},
};

class PbxDescriptionTest : public testing::TestWithParam<DescriptionCase> {};

TEST_P(PbxDescriptionTest, ReadPbxDescription) {
    PbxDescription description;
    std::string error;
    ASSERT_TRUE(ReadPbxDescription(GetParam().xml, description, error)) << error;
    EXPECT_EQ(description.isPbx, GetParam().isPbx);
    EXPECT_EQ(description.presentationUrl, GetParam().presentation);
}

INSTANTIATE_TEST_SUITE_P(Descriptions, PbxDescriptionTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PbxDescriptionErrorTest, NotXml_FailsWithTheOffset) {
    PbxDescription description;
    description.isPbx = true;
    std::string error;
    EXPECT_FALSE(ReadPbxDescription("<root><device></root>", description, error));
    EXPECT_EQ(error, "Error parsing Start-end tags mismatch at offset 16");
    EXPECT_TRUE(description.isPbx);  // left as it was
}

}  // namespace
}  // namespace korvi
