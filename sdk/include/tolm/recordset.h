// Record sets and the data-access object every window yields.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tolm/export.h"
#include "tolm/object.h"
#include "tolm/variant.h"

namespace tolm {

// Rows of a query, read forward from the current record.
class TOLM_SDK_API IRecordset : public Object {
public:
    ~IRecordset() override;
    // True when there is no current record (an empty set, or moved past the last row).
    virtual bool IsEOF() const = 0;
    // The current record's value of a column, found without regard to letter case.
    // Raises FieldNotFound for an unknown column and NoCurrentRecord at end of data.
    // Date columns come back as Date values, NULL as Null.
    virtual Variant Field(const std::string& name) const = 0;
    virtual void MoveFirst() = 0;
    // Raises NoCurrentRecord when already at end of data.
    virtual void MoveNext() = 0;
    virtual int32_t RecordCount() const = 0;
    virtual std::vector<std::string> Columns() const = 0;
};

// The data-access object of a window: the plug-in's SQL goes in as written.
class TOLM_SDK_API IDataAccess : public Object {
public:
    ~IDataAccess() override;
    // Runs a query and returns its rows; a failing statement raises Database.
    virtual std::shared_ptr<IRecordset> Query(const std::string& sql) = 0;
    // Runs a batch of statements (separated by line breaks) as one transaction: all
    // of it is stored or none of it. A failing statement raises Database.
    virtual void Execute(const std::string& sql) = 0;
    // The text a right's name (given in Simplified Chinese) shows in the session's
    // language. `extra` is passed on to the host and may be written.
    virtual std::string LookupText(const std::string& text, std::string& extra) = 0;
    // Whether the session's user holds a right: object number (65000 for the
    // operation log), the right bit, a sub-object (0), whether to tell the user when
    // the right is missing, and the right's name as shown.
    virtual bool CheckRight(int32_t objectNumber, int32_t accessType, int32_t subObject,
                            bool showMessage, const std::string& rightName) = 0;
    // The text that identifies the session to the database (for session views).
    virtual std::string SessionText() = 0;
};

}  // namespace tolm
