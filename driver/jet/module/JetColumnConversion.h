#pragma once
// The conversion of a column's values when ALTER COLUMN gives it another type, made as Access
// makes it, by the connection's own Access functions: a number, a date or a Yes/No value becomes
// the text Format writes for it ("Oui"/"Non" for Yes/No), a text the number (CByte … CDec), date
// (CDate) or Yes/No value (CBool) it reads as, a number another number within its new size.
// Binary values convert only to binary types; a replication ID only from a text.
#include "driver/jet/file/JetFile.h"
#include "driver/jet/schema/JetColumnRetyping.h"

#include <sqlite3.h>

#include <memory>

namespace kervane::jet {

// A conversion usable as a ColumnConversion for as long as the connection `db` and its `file`
// live (texts are decoded as the file's reader decodes them); its statement is prepared on the
// first value that needs one.
class ValueConverter {
public:
    ValueConverter(sqlite3* db, JetFile& file) : m_db(db), m_file(file) {}

    bool operator()(const JetLayoutColumn& before, const JetLayoutColumn& after, const JetFieldValue& stored,
                    JetFieldValue& converted, std::string& why);

private:
    struct Finalize {
        void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
    };
    bool prepare(const JetLayoutColumn& before, const JetLayoutColumn& after, std::string& why);

    sqlite3* m_db;
    JetFile& m_file;
    std::unique_ptr<sqlite3_stmt, Finalize> m_statement;
};

}  // namespace kervane::jet
