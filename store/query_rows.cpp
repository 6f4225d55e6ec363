#include "store/query_rows.h"

#include "store/column_values.h"

namespace calvendra {

std::string ResultRow::Text(int position) const {
    std::string value;
    results_->ReadColumn(position, value);
    return value;
}

long ResultRow::Long(int position) const {
    return ReadLong(Text(position));
}

int ResultRow::Int(int position) const {
    return ReadInt(Text(position));
}

Identifier ResultRow::Id(int position) const {
    return ReadIdentifier(Text(position));
}

bool ResultRow::Flag(int position) const {
    return IsFlagOn(Text(position));
}

}  // namespace calvendra
