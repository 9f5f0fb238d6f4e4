#include "common/ErrorReport.h"
#include "common/Exception.h"
#include "tests/support/TestMain.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace tarvessa;

TEST(ErrorReport, FullStopAddedOnlyAfterCharactersThatSortAfterIt) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"Error opening serial port", "Error opening serial port."},
        {"File handle is not a comm handle ", "File handle is not a comm handle "},
        {"'G' is not a valid integer value", "'G' is not a valid integer value."},
        {"Already ends with a stop.", "Already ends with a stop."},
        {"Ends with a bang!", "Ends with a bang!"},
        {"Ends with a digit 7", "Ends with a digit 7."},
        {"中文", "中文."},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorReportText(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown))
            << c.message;
}

TEST(ErrorReport, GuardCatchesEveryKindOfException) {
    auto& reports = test::ReportedErrors();
    reports.clear();
    RunGuarded([] { throw EConvertError("'x' is not a valid integer value"); });
    RunGuarded([] { throw Exception("Error opening serial port", "No such file or directory"); });
    RunGuarded([] { throw std::runtime_error("library failure"); });
    RunGuarded([] { throw 42; });
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].text, "'x' is not a valid integer value.");
    EXPECT_EQ(reports[1].text, "Error opening serial port.");
    EXPECT_EQ(reports[1].detail, "No such file or directory");
    EXPECT_EQ(reports[2].text, "library failure.");
    EXPECT_FALSE(reports[3].text.isEmpty());
}
