#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "SimSerialTest.h"
#include "cli/CliApp.h"

// corvida-cli run in-process on the simulated line (COM 1) in virtual time.
class CliTest : public SimSerialTest {
protected:
    int Run(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        std::vector<const char*> argv = {"corvida-cli"};
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        CliApp app(Platform(), in_, out_, err_);
        return app.Run(static_cast<int>(argv.size()), argv.data());
    }

    void ExpectPortGivenBack() {
        EXPECT_EQ(Serial().GetPort(), 0);
        EXPECT_EQ(Platform().GetSerial(), &Serial());
        Platform().ReleaseSerial();
    }

    std::istringstream in_;
    std::ostringstream out_;
    std::ostringstream err_;
};
