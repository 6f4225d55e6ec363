#include "store/query_rows.h"

#include "store/column_values.h"

namespace calvendra {

std::string ResultRow::Text(int position) const {
    std::string value;
    results_->ReadColumn(position, value);
    return value;
}

long ResultRow::Long(int position) const {
    return ReadLong(results_->ColumnText(position));
}

int ResultRow::Int(int position) const {
    return ReadInt(results_->ColumnText(position));
}

Identifier ResultRow::Id(int position) const {
    return ReadIdentifier(results_->ColumnText(position));
}

bool ResultRow::Flag(int position) const {
    return IsFlagOn(results_->ColumnText(position));
}

}  // namespace calvendra
