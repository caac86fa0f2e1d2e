#include <gtest/gtest.h>

#include <sstream>

#include "gateway/log_listing.h"

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
              "1,,0,0,0,0,'+821012345678,\"'=HYPERLINK(\"\"x\"\")\",0,'@SUM,0,\"'\rx\",'\t-,mqtt,"
              "ncid,report\r\n");
}

}  // namespace
}  // namespace velko::gateway
