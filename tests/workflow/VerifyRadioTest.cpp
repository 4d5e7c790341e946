#include <gtest/gtest.h>

#include <algorithm>

#include "TestKit.h"
#include "WorkflowFixture.h"
#include "files/ProductLine.h"

namespace {

constexpr std::int32_t kVolante = 5;
constexpr unsigned kCodeplugCodeAddress = 709;

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

class VerifyRadioTest : public WorkflowTest {
protected:
    bool Verify(const TestKit& kit, std::int32_t productLine = kVolante) {
        WriteConfig(kit.Text());
        return StartForm(productLine).VerifyRadio();
    }
    // The status codes the radio was asked for, in order.
    std::vector<unsigned> StatusRequests() {
        std::vector<unsigned> codes;
        for (const RadioRequest& request : Radio().Requests()) {
            if (request.kind == RequestKind::RadioStatus)
                codes.push_back(request.code);
        }
        return codes;
    }
    void ExpectOnlyError(const std::string& text) {
        ASSERT_EQ(boxes_.Boxes().size(), 1u);
        EXPECT_EQ(boxes_.Boxes()[0].text, text);
        EXPECT_EQ(boxes_.Boxes()[0].caption, "Error");
        EXPECT_EQ(boxes_.Boxes()[0].icon, MessageIcon::Stop);
    }
    void ExpectPortGivenBack() {
        CSerial* serial = Platform().GetSerial();
        EXPECT_NE(serial, nullptr);
        if (serial)
            Platform().ReleaseSerial();
    }
};

TEST_F(VerifyRadioTest, ARadioOfTheSecondGroupGetsItsOptionsModelAndPatchSection) {
    ASSERT_TRUE(Verify(TestKit{}));

    const VerifiedRadio& radio = form_->Radio();
    EXPECT_EQ(radio.group, 2u);
    EXPECT_EQ(radio.modelIndex, 0u);
    EXPECT_EQ(radio.release, "R01.00");
    EXPECT_EQ(radio.serialText, "SN00001234");
    EXPECT_TRUE(radio.options.upgradePermitted);
    EXPECT_TRUE(radio.options.flashFirmware);
    EXPECT_EQ(radio.options.codeplugMode, 0);
    EXPECT_TRUE(radio.options.patchCodeplug);
    EXPECT_EQ(radio.options.modelCode, "07");
    EXPECT_FALSE(radio.codeplugText);
    ASSERT_TRUE(radio.patchRecords);
    ASSERT_EQ(radio.patchRecords->size(), 2u);
    EXPECT_EQ(radio.patchRecords->front().opcode, 0x10u);
    EXPECT_EQ(radio.patchRecords->back().opcode, 0x99u);
    EXPECT_TRUE(boxes_.Boxes().empty());
    ExpectPortGivenBack();
}

TEST_F(VerifyRadioTest, AConfigurationWithoutTheVersionTagIsRefusedBeforeThePortOpens) {
    std::string text = TestKit{}.Text();
    text.replace(0, 15, "PATCH-D01.01.08");
    WriteConfig(text);

    EXPECT_FALSE(StartForm(kVolante).VerifyRadio());

    ExpectOnlyError("The configuration file used is not compatible with the current application!");
    EXPECT_TRUE(Radio().Requests().empty());
}

TEST_F(VerifyRadioTest, TheFirstGroupThatListsTheIdentityWins) {
    TestKit kit;
    kit.groupOneIdentities = "02\n00112233445566778899AABBCCDDEEFF\nE58EC154199D11D180180060B03C8AFF";
    ASSERT_TRUE(Verify(kit));
    EXPECT_EQ(form_->Radio().group, 1u);
    EXPECT_FALSE(form_->Radio().options.flashFirmware);  // group one's row
}

TEST_F(VerifyRadioTest, AnIdentityInNoGroupIsNotOfTheSupportedSeries) {
    TestKit kit;
    kit.groupTwoIdentities = "01\nE58EC154199D11D180180060B03C8AFE";
    EXPECT_FALSE(Verify(kit));
    ExpectOnlyError("Verification of radio failed. The current radio is not of the supported radio series");
    ExpectPortGivenBack();
}

struct ReleaseCase {
    std::int32_t productLine;
    const char* release;
    const char* refusal;  // empty: passes
};

class ReleaseCheckTest : public VerifyRadioTest, public testing::WithParamInterface<ReleaseCase> {};

TEST_P(ReleaseCheckTest, KeepsKestarKitsToTheirRelease) {
    const ReleaseCase& test = GetParam();
    Profile().statuses[3] = Bytes(test.release);
    TestKit kit;
    kit.verification = "01\n03,00,00,00,00,*";
    const bool passed = Verify(kit, test.productLine);
    EXPECT_EQ(passed, *test.refusal == '\0');
    if (!passed)
        ExpectOnlyError(test.refusal);
    const std::vector<unsigned> requests = StatusRequests();
    const auto releaseRequests = std::count(requests.begin(), requests.end(), 3u);
    EXPECT_EQ(releaseRequests, passed ? 3 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, ReleaseCheckTest,
    testing::Values(
        ReleaseCase{
            ProductLine::kKestar02, "R03.01",
            "Verification of radio failed : This upgradekit is only for R02 radio upgrades, please use "
            "R03 upgradekit."},
        ReleaseCase{
            ProductLine::kKestar03, "R02.07",
            "Verification of radio failed : This upgradekit is only for R03 radio upgrades, please use "
            "R02 upgradekit."},
        ReleaseCase{ProductLine::kKestar03, "R03.01", ""}, ReleaseCase{ProductLine::kKestar02, "R02.07", ""},
        ReleaseCase{ProductLine::kKestar02, "R13.01", ""}));

TEST_F(VerifyRadioTest, OtherProductLinesMakeNoReleaseRequest) {
    TestKit kit;
    kit.verification = "01\n03,00,00,00,00,*";
    ASSERT_TRUE(Verify(kit, kVolante));
    const std::vector<unsigned> expected = {15, 3, 0, 11, 14, 16, 3};
    EXPECT_EQ(StatusRequests(), expected);
}

TEST_F(VerifyRadioTest, VerificationRunsAskOnceAndPassWithOneMatchingEntry) {
    struct Case {
        const char* block;
        bool passes;
        std::vector<unsigned> requests;  // before model matching
    };
    const Case cases[] = {
        {"00", true, {15}},
        {"02\n04,00,00,00,02,Q7\n04,00,00,00,02,Z5", true, {15, 4}},
        {"02\n04,00,00,00,02,Q7\n04,00,00,00,02,Q8", false, {15, 4}},
        {"01\n04,00,00,00,00,Q7", true, {15, 4}},         // compare length 0
        {"01\n0B,00,00,00,0A,*nothing", true, {15, 11}},  // "*" accepts any reply
        {"01\n0B,00,01,00,02,534E", true, {15, 11}},      // hex: "SN"
        {"01\n0B,00,01,00,02,534F", false, {15, 11}},
        {"02\n03,00,00,00,02,R9\n0B,00,00,00,02,SN", false, {15, 3}},  // a failed run ends the check
        {"02\n0B,00,00,00,02,SN\n03,00,00,00,06,R01.00", true, {15, 11, 3}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.block);
        RecordingMessageBox boxes;
        const std::size_t before = StatusRequests().size();
        TestKit kit;
        kit.verification = test.block;
        EXPECT_EQ(Verify(kit), test.passes);
        std::vector<unsigned> requests = StatusRequests();
        requests.erase(requests.begin(), requests.begin() + static_cast<std::ptrdiff_t>(before));
        requests.resize(std::min(requests.size(), test.requests.size()));
        EXPECT_EQ(requests, test.requests);
        if (!test.passes) {
            ASSERT_EQ(boxes.Boxes().size(), 1u);
            EXPECT_EQ(
                boxes.Boxes()[0].text,
                "Verification of radio failed : The current radio does not meet all upgrade requirements or "
                "it has already been upgraded");
        }
    }
}

TEST_F(VerifyRadioTest, AStatus4RunKeepsTheVariantCodeEvenWhenItFails) {
    TestKit kit;
    kit.verification = "01\n04,00,00,00,02,Q7";
    EXPECT_FALSE(Verify(kit));
    EXPECT_EQ(form_->Radio().variantCode, "Z5");
}

TEST_F(VerifyRadioTest, ModelMatchingCutsTextsAtTheFirstBlank) {
    Profile().statuses[0] = Bytes("XYZ123 ABC");
    TestKit kit;
    kit.models =
        "01\n03\nABC,000000000,0000000000,00,00,A1,#,\nZ12,000000000,SN00001234,1,00,A2,#,\n"
        ",000000000,0000000000,00,00,A3,#,";
    ASSERT_TRUE(Verify(kit));
    EXPECT_EQ(form_->Radio().modelIndex, 1u);
    EXPECT_EQ(form_->Radio().options.modelCode, "A2");
}

TEST_F(VerifyRadioTest, TheModelIndexCountsWithinItsSet) {
    TestKit kit;
    kit.models =
        "02\n02\nNONE,000000000,0000000000,00,00,A1,#,\nNONE,000000000,0000000000,00,00,A2,#,\n"
        "NONE,000000000,0000000000,00,00,B1,#,\nTESTRADIO,000000000,0000000000,02,00,B2,#,";
    kit.rows = "01\n*,01,00,00,00,01,01,02,00";
    EXPECT_FALSE(Verify(kit));  // status 16 is 01, the last entry wants 02
    ExpectOnlyError("Upgrading of this model not supported");

    RecordingMessageBox boxes;
    kit.models.back() = '\0';
    kit.models =
        "02\n02\nNONE,000000000,0000000000,00,00,A1,#,\nNONE,000000000,0000000000,00,00,A2,#,\n"
        "NONE,000000000,0000000000,00,00,B1,#,\nTESTRADIO,000000000,0000000000,01,00,B2,#,";
    ASSERT_TRUE(Verify(kit));
    EXPECT_EQ(form_->Radio().modelIndex, 1u);
    EXPECT_EQ(form_->Radio().options.codeplugMode, 2);
    EXPECT_TRUE(form_->Radio().options.flashFirmware);
}

TEST_F(VerifyRadioTest, TheCodeplugCodeTakesPartForAFixedIdentity) {
    const std::string code = "CP-CODE-7 ";
    std::copy(code.begin(), code.end(), Profile().codeplug.begin() + kCodeplugCodeAddress);
    TestKit kit;
    kit.models =
        "01\n02\nTESTRADIO,CP-CODE-8,0000000000,00,00,A1,#,\nTESTRADIO,CP-CODE-7,0000000000,00,00,A2,#,";
    ASSERT_TRUE(Verify(kit));
    EXPECT_EQ(form_->Radio().options.modelCode, "A2");
}

TEST_F(VerifyRadioTest, OtherIdentitiesIgnoreTheCodeplugCode) {
    Profile().statuses[15] = std::vector<std::uint8_t>(16, 0x11);
    TestKit kit;
    kit.groupTwoIdentities = "01\n11111111111111111111111111111111";
    kit.models =
        "01\n02\nTESTRADIO,CP-CODE-8,0000000000,00,00,A1,#,\nTESTRADIO,CP-CODE-7,0000000000,00,00,A2,#,";
    ASSERT_TRUE(Verify(kit));
    EXPECT_EQ(form_->Radio().options.modelCode, "A1");
    EXPECT_TRUE(std::none_of(Radio().Requests().begin(), Radio().Requests().end(),
                             [](const RadioRequest& request) { return request.kind == RequestKind::Read; }));
}

TEST_F(VerifyRadioTest, TheCodeplugCodeAddressFollowsTheProductLine) {
    const std::pair<std::int32_t, unsigned> cases[] = {
        {kVolante, 709}, {ProductLine::kOrbis, 716}, {ProductLine::kFarVarno, 706}};
    for (const auto& [productLine, address] : cases) {
        Verify(TestKit{}, productLine);
        const auto read =
            std::find_if(Radio().Requests().rbegin(), Radio().Requests().rend(),
                         [](const RadioRequest& request) { return request.kind == RequestKind::Read; });
        ASSERT_NE(read, Radio().Requests().rend());
        EXPECT_EQ(read->address, address);
        EXPECT_EQ(read->count, 10u);
    }
}

// The product line's codeplug code, read where that line keeps it, picks the model entry; the bytes at
// the other lines' addresses do not.
struct CodeplugCodeCase {
    std::int32_t productLine;
    unsigned address;
};

class CodeplugCodeTest : public VerifyRadioTest, public testing::WithParamInterface<CodeplugCodeCase> {};

TEST_P(CodeplugCodeTest, TheCodeAtTheProductLinesAddressPicksTheModel) {
    const std::string code = "CP-CODE-7 ";
    std::copy(code.begin(), code.end(), Profile().codeplug.begin() + GetParam().address);
    Profile().statuses[14] = {0x20, 0x21};  // fits a FAR_VARNO entry whose flag is 00
    TestKit kit;
    kit.models =
        "01\n02\nTESTRADIO,CP-CODE-8,0000000000,00,00,A1,#,\nTESTRADIO,CP-CODE-7,0000000000,00,00,A2,#,";
    ASSERT_TRUE(Verify(kit, GetParam().productLine));
    EXPECT_EQ(form_->Radio().options.modelCode, "A2");
}

INSTANTIATE_TEST_SUITE_P(ProductLines, CodeplugCodeTest,
                         testing::Values(CodeplugCodeCase{kVolante, 709},
                                         CodeplugCodeCase{ProductLine::kOrbis, 716},
                                         CodeplugCodeCase{ProductLine::kFarVarno, 706}));

struct Status14Case {
    std::int32_t productLine;
    const char* flag;
    std::uint8_t byte1;
    bool fits;
};

class Status14Test : public VerifyRadioTest, public testing::WithParamInterface<Status14Case> {};

TEST_P(Status14Test, DecidesForKdsAndFarVarnoOnly) {
    const Status14Case& test = GetParam();
    Profile().statuses[14] = {0x20, test.byte1};
    TestKit kit;
    kit.models = std::string("01\n01\nTESTRADIO,000000000,0000000000,00,") + test.flag + ",A1,#,";
    EXPECT_EQ(Verify(kit, test.productLine), test.fits);
}

INSTANTIATE_TEST_SUITE_P(Flags, Status14Test,
                         testing::Values(Status14Case{ProductLine::kKds, "01", 0xFE, true},
                                         Status14Case{ProductLine::kKds, "01", 0x20, false},
                                         Status14Case{ProductLine::kFarVarno, "00", 0xFE, false},
                                         Status14Case{ProductLine::kFarVarno, "00", 0x21, true},
                                         Status14Case{kVolante, "01", 0x20, true}));

TEST_F(VerifyRadioTest, TheCodeplugFileIsReadWithTheKitKey) {
    TestKit kit;
    kit.models = "01\n01\nTESTRADIO,000000000,0000000000,00,00,A1,cp.s19,";
    WriteKitFile("cp.s19", "S00600004844521B\n");
    ASSERT_TRUE(Verify(kit));
    EXPECT_EQ(form_->Radio().codeplugText, "S00600004844521B\n");
    EXPECT_EQ(form_->Radio().codeplugFile, "cp.s19");
}

TEST_F(VerifyRadioTest, AMissingCodeplugFileEndsTheVerificationACorruptOneDoesNot) {
    TestKit kit;
    kit.models = "01\n01\nTESTRADIO,000000000,0000000000,00,00,A1,cp.s19,";
    EXPECT_FALSE(Verify(kit));
    ExpectOnlyError("Unable to open codeplug file\nPlease make sure installation is completed successfully");
    ExpectPortGivenBack();

    RecordingMessageBox boxes;
    kit_.WriteFile("cp.s19", "short");
    EXPECT_TRUE(Verify(kit));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "The required data file is corrupted and unuseable\nPlease reinstall the application!");
    EXPECT_FALSE(form_->Radio().codeplugText);
}

TEST_F(VerifyRadioTest, TheFirstMatchingRowIsUsed) {
    struct Case {
        const char* rows;
        bool permitted;
    };
    const Case cases[] = {
        {"02\n*,00,00,00,00\nR01.00,01,00,00,00", false},
        {"02\nR01.0,00,00,00,00\nR01.00,01,00,00,00", true},
        {"02\nR01.00,01,00,00,00\n*,00,00,00,00", true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.rows);
        TestKit kit;
        kit.rows = test.rows;
        ASSERT_TRUE(Verify(kit));
        EXPECT_EQ(form_->Radio().options.upgradePermitted, test.permitted);
        EXPECT_FALSE(form_->Radio().patchRecords);  // the patch flag is clear in every row
    }
}

TEST_F(VerifyRadioTest, NoMatchingRowNamesTheRadiosRelease) {
    TestKit kit;
    kit.rows = "01\nR05.00,01,01,00,00";
    EXPECT_FALSE(Verify(kit));
    ExpectOnlyError(
        "Verification of radio failed. The current radio release R01.00 is not supported by this upgradekit");
}

TEST_F(VerifyRadioTest, TheSelectedModelsPatchSectionIsLoaded) {
    TestKit kit;
    kit.models = "01\n02\nNONE,000000000,0000000000,00,00,A1,#,\nTESTRADIO,000000000,0000000000,00,00,A2,#,";
    kit.rows = "01\n*,01,00,00,01,01,00,00,01";
    kit.patch = "10,04,00,005A,00,00\n99,00,00,0000,00,00\n20,00,2C,0000,00,00\n99,00,00,0000,00,00";
    ASSERT_TRUE(Verify(kit));
    ASSERT_TRUE(form_->Radio().patchRecords);
    ASSERT_EQ(form_->Radio().patchRecords->size(), 2u);
    EXPECT_EQ(form_->Radio().patchRecords->front().opcode, 0x20u);
    EXPECT_EQ(form_->Radio().patchRecords->front().operand2, 0x2Cu);
}

TEST_F(VerifyRadioTest, ValuesTooLongForTheirWorkAreasAreKitErrors) {
    TestKit longIdentity;
    longIdentity.groupOneIdentities = "01\n" + std::string(102, 'A');
    TestKit longValue;
    longValue.verification = "01\n0B,00,00,00,02," + std::string(256, 'S');
    TestKit unclosedPatch;
    unclosedPatch.patch = "10,04,00,005A,00,00";
    const std::pair<TestKit, const char*> cases[] = {
        {longIdentity, "Syntax error in patch script file : RADIO_GROUP_REGION"},
        {longValue, "Syntax error in patch script file : VERIFICATION_BLOCK"},
        {unclosedPatch, "Syntax error in patch script file : PATCHER_DATA_BLOCK"},
    };
    for (const auto& [kit, text] : cases) {
        SCOPED_TRACE(text);
        RecordingMessageBox boxes;
        EXPECT_FALSE(Verify(kit));
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, text);
        ExpectPortGivenBack();
    }
}

TEST_F(VerifyRadioTest, APortThatCannotBeOpenedIsReported) {
    WriteConfig(TestKit{}.Text());
    TestDocument elsewhere(kPort + 1, kit_.Path());
    CUpgradeForm form(elsewhere, view_, kVolante);
    form.FormStart();

    EXPECT_FALSE(form.VerifyRadio());

    ExpectOnlyError("Unable to open communication port");
    ExpectPortGivenBack();
}

TEST_F(VerifyRadioTest, AnEchoSettingThatDoesNotFitTheCableGetsAHintWithTheFirstFailure) {
    const std::string noEcho =
        "Nothing came back as the echo of the request. Without the ZUB interface box the echo must be off: "
        "check ZUB Setting.";
    const std::string ownEcho =
        "The request came back as it was sent, as the ZUB interface box returns it. With the box the echo "
        "must be on: check ZUB Setting.";
    struct Case {
        std::string name;
        std::uint8_t echo;
        bool box;
        bool silentRadio;
        std::string hint;  // empty: none
    };
    const Case cases[] = {
        {"echo on, plain cable", 1, false, false, noEcho},
        {"echo off, interface box", 0, true, false, ownEcho},
        {"echo on, plain cable, radio off", 1, false, true, noEcho},
        {"echo on, interface box, radio off", 1, true, true, ""},
        {"echo off, plain cable, radio off", 0, false, true, ""},
    };
    WriteConfig(TestKit{}.Text());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line().SetEchoBox(c.box);
        if (c.silentRadio)
            Line().AttachPeer(nullptr);  // switched off for good: the silent cases come last
        TestDocument document(kPort, kit_.Path(), c.echo);
        CUpgradeForm form(document, view_, kVolante);
        form.FormStart();
        RecordingMessageBox boxes;

        EXPECT_FALSE(form.VerifyRadio());

        ASSERT_EQ(boxes.Boxes().size(), 1u);
        const std::string& text = boxes.Boxes()[0].text;
        if (c.hint.empty()) {
            EXPECT_EQ(text, "Timeout occurred while sending KWIP command");
        } else {
            EXPECT_TRUE(text.ends_with("\n\n" + c.hint)) << text;
        }
        ExpectPortGivenBack();
        Wait(100 * kMs);  // the radio finishes whatever it was answering
    }
}

}  // namespace
