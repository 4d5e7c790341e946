#pragma once

#include <string>

// A kit configuration of two radio groups; the small test radio (SmallRadio) belongs to the second. Each
// block of the second group can be replaced by a test (count lines included).
struct TestKit {
    std::string productLine = "VOLANTE";
    std::string firstBootCode = "boot19.s19";
    std::string groupOneIdentities = "01\n00112233445566778899AABBCCDDEEFF";
    std::string groupTwoIdentities = "01\nE58EC154199D11D180180060B03C8AFF";
    std::string groupOneRows = "01\n*,01,00,00,00";
    std::string verification = "00";
    std::string models = "01\n01\nTESTRADIO,000000000,0000000000,00,00,07,#,any model";
    std::string rows = "01\n*,01,01,00,01";
    std::string patch = "10,04,00,005A,00,00\n99,00,00,0000,00,00";

    std::string Text() const {
        return "PATCH-D01.01.07\nTest Kit R01\nFor the small test radio\ntest-kit-key-0042\n01\n"
               "PRODUCT_LINE\n" +
               productLine +
               "\n"
               "RADIO_GROUP_REGION\ngroup one\n" +
               firstBootCode + "\nb38.s19\nb115.s19\n" + groupOneIdentities +
               "\n"
               "RADIO_GROUP_REGION\ngroup two\ng2_19k2.s19\ng2_38k4.s19\ng2_115k.s19\n" +
               groupTwoIdentities +
               "\n"
               "VERIFICATION_BLOCK\n00\n"
               "VERIFICATION_BLOCK\n" +
               verification +
               "\n"
               "MODEL_MATCHING_BLOCK\n01\n01\n,000000000,0000000000,00,00,01,#,group one\n"
               "MODEL_MATCHING_BLOCK\n" +
               models +
               "\n"
               "RADIO_MATCHING_BLOCK\n" +
               groupOneRows +
               "\n"
               "RADIO_MATCHING_BLOCK\n" +
               rows +
               "\n"
               "PATCHER_DATA_BLOCK\n99,00,00,0000,00,00\n"
               "PATCHER_DATA_BLOCK\n" +
               patch + "\n";
    }
};
