#include "diag/ErrorReport.h"

#include "diag/MessageCatalog.h"
#include "shared/OneLineText.h"

namespace tenvor {

std::vector<ErrorReportRow> ErrorReportRows(const std::vector<StErrorInfo>& records)
{
    std::vector<ErrorReportRow> rows;
    rows.reserve(records.size());
    const std::size_t count = records.size();
    for (std::size_t i = count; i-- > 0;) {
        const StErrorInfo& record = records[i];
        rows.push_back({std::to_string(count - i), std::string(ErrorText(record.errorKind)),
                        OneLineText(record.filePath), OneLineText(record.reason)});
    }
    return rows;
}

}  // namespace tenvor
