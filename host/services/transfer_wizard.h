// HubClassTransfer.Wizard: the exchange-rate class (the types and their rates) to
// and from a workbook (.xls or .xlsx, chosen by the file's extension).
//
// The workbook has a sheet of types (code, name, precision, remark) and a sheet of
// rates (type code, currency code, rate, first and last day of validity), headed in
// the session's language; an .xls continues the rates on further sheets past 65,536
// rows. An import reads headings in any of the host's languages, adds what is new,
// never changes what exists, and writes all it accepts in one transaction.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "services/service_component.h"
#include "tolm/components.h"

namespace hub {

// "Page1" of an import's result: the data rows read.
class ImportPage : public tolm::IImportPage {
public:
    explicit ImportPage(int32_t records) : m_records(records) {}
    int32_t RecordCount() const override { return m_records; }

private:
    int32_t m_records;
};

class TransferWizard : public tolm::ITransferWizard, private ServiceComponent {
public:
    explicit TransferWizard(std::shared_ptr<Session> session);

    // Writes the class `classTypeId` (only the exchange-rate class, 1014002) to
    // `path`, leaving out disabled types and rates. False when nothing was written,
    // with at least one line in `messages` saying why (no right, another class, an
    // extension that is no workbook's, a file that cannot be written); an existing
    // file is replaced only by a complete one. The other arguments are not used.
    tolm::Variant Export(const std::string& props, int32_t classTypeId, int32_t classTypeIdTo, std::string& sOut,
                         const std::string& s5, int16_t n6, const std::string& s7, int16_t n8, std::string& path,
                         bool& bOut, int16_t n11, const std::string& s12, const std::string& s13,
                         std::shared_ptr<tolm::Collection>& messages) override;

    // Reads the workbook at `path` and stores its new types and rates, checked as
    // the type dialog and the rate editor check them. Types and rates that exist
    // already are left as they are and count as read. Every refused row adds a line
    // "sheet, row: reason" to `messages`, after a heading line, so that one line
    // never stands for a refusal. Returns a dictionary whose "Page1" (ImportPage)
    // counts the data rows read. Raises HostError, storing nothing, when the user
    // lacks the right or the file is not such a workbook (not one at all, damaged,
    // headings of neither sheet). The other arguments are not used.
    tolm::Variant ImportFromData(const std::string& props, int16_t n2, std::string& path, const std::string& s4,
                                 const std::shared_ptr<tolm::Object>& o5, std::shared_ptr<tolm::Collection>& messages,
                                 int16_t n7, int16_t n8, int16_t n9, bool b10, const std::shared_ptr<tolm::Object>& o11,
                                 bool& bOut, bool b13) override;
};

}  // namespace hub
