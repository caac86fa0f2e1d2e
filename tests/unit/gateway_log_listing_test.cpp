#include <gtest/gtest.h>

#include <sstream>

#include "gateway/log/log_listing.h"

namespace velko::gateway {
namespace {

TEST(LogListing, CsvCellsASpreadsheetWouldRunAsAFormulaStayText) {
    LoggedCall logged;
    logged.call.id = 1;
    logged.call.number = "+821012345678";
    logged.call.name = "=HYPERLINK(\"x\")";
    logged.call.type = "@SUM";
    logged.call.line = "\rx";
    logged.call.received = "\t-";
    logged.deliveries = {{"mqtt", "2026-03-05T00:07:00.214Z"}, {"ncid", std::nullopt}};
    std::ostringstream out;
    printCalls(out, {logged}, ListingFormat::Csv);
    EXPECT_EQ(out.str().substr(out.str().find("\r\n") + 2),
              "1,,0,0,0,0,+821012345678,\"'=HYPERLINK(\"\"x\"\")\",0,'@SUM,0,\"'\rx\",'\t-,mqtt,"
              "ncid,report\r\n");

    // A number with its sign is no formula and stays as it is; a sign before anything else is
    // defused.
    const auto number = [&](const std::string& text) {
        logged.call.number = text;
        std::ostringstream row;
        printCsvRows(row, {logged});
        const std::string line = row.str();
        const size_t start = line.find(",0,0,0,0,") + 9;
        return line.substr(start, line.find(',', start) - start);
    };
    EXPECT_EQ(number("+82 10-1234-5678"), "+82 10-1234-5678");
    EXPECT_EQ(number("-5"), "-5");
    EXPECT_EQ(number("-"), "-");
    EXPECT_EQ(number("+1+1"), "'+1+1");
    EXPECT_EQ(number("-2+3+cmd|' /C calc'!A0"), "'-2+3+cmd|' /C calc'!A0");
    EXPECT_EQ(number("+82\t10"), "'+82\t10");
    EXPECT_EQ(number("+SUM(1)"), "'+SUM(1)");
}

}  // namespace
}  // namespace velko::gateway
