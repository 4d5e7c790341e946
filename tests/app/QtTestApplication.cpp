#include <QApplication>
#include <gtest/gtest.h>

namespace {

// One QApplication on the offscreen platform for every test of the binary.
class QtApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "desktop_tests";
        static char* argv[] = {name, nullptr};
        application_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete application_; }

private:
    QApplication* application_ = nullptr;
};

const testing::Environment* const kEnvironment = testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
