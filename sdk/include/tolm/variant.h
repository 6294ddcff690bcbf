// Variant: the untyped value the host hands over, and its conversion rules.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tolm/export.h"
#include "tolm/host_error.h"
#include "tolm/object.h"

namespace tolm {

// A point in time as the host stores it: a wall-clock date and time without zone.
using DateTime = std::chrono::sys_seconds;

enum class VarType { Empty, Null, Boolean, Integer, Long, Double, Date, String, Object };

// A value of one of the host's kinds:
//   Empty (never assigned), Null (no data), Boolean, Integer (16-bit), Long (32-bit),
//   Double, Date, String (UTF-8 text) or Object (a shared host or plug-in object).
//
// Conversions follow one set of rules, the same everywhere in the system:
//  * ToLong / ToInteger: Empty gives 0; Null raises InvalidUseOfNull; True gives -1;
//    numbers and numeric text (blanks around it, a sign, a decimal point and an
//    exponent allowed; "&H" hex) are rounded with halves to even (2.5 -> 2, 3.5 -> 4);
//    text that is not numeric, including the empty text, raises TypeMismatch; a value
//    outside the 32-bit (16-bit) range raises Overflow. A Date converts through its
//    serial number (days since 1899-12-30).
//  * ToDouble: as above without rounding.
//  * ToBool: numbers are true when not 0; text "True"/"False" in any letter case or
//    numeric text; Null raises InvalidUseOfNull; Empty is false.
//  * ToString: Null raises InvalidUseOfNull; Empty is the empty text; Booleans are
//    "True"/"False"; doubles are written with up to 15 significant digits as a plain
//    decimal with a point (exponent form "1E+20" only beyond 15 integer digits or
//    below 1E-15); dates are "yyyy-MM-dd", with " HH:mm:ss" when the time is not 0.
//  * ToText: ToString, except that Null gives the empty text (the value as it shows
//    in a concatenation).
//  * ToDate: dates as they are; text in the forms "yyyy-MM-dd", "yyyy/M/d",
//    "yyyyMMdd", each optionally followed by " HH:mm[:ss]"; numbers as serial numbers.
//    Anything else raises TypeMismatch; Null raises InvalidUseOfNull.
//  * Objects convert to nothing but objects; other conversions raise TypeMismatch.
class TOLM_SDK_API Variant {
public:
    struct NullTag {
        bool operator==(const NullTag&) const = default;
    };

    Variant() = default;
    Variant(bool value) : m_value(value) {}
    Variant(int16_t value) : m_value(value) {}
    Variant(int32_t value) : m_value(value) {}
    Variant(int64_t value);  // a Long when it fits, otherwise a Double
    Variant(double value) : m_value(value) {}
    Variant(DateTime value) : m_value(value) {}
    Variant(std::chrono::sys_days value) : m_value(DateTime(value)) {}
    Variant(const char* value) : m_value(std::string(value)) {}
    Variant(std::string value) : m_value(std::move(value)) {}
    Variant(std::string_view value) : m_value(std::string(value)) {}
    Variant(std::shared_ptr<Object> value) : m_value(std::move(value)) {}
    template <class T>
        requires std::is_base_of_v<Object, T>
    Variant(std::shared_ptr<T> value) : m_value(std::shared_ptr<Object>(std::move(value))) {}

    static Variant Null() {
        Variant v;
        v.m_value = NullTag{};
        return v;
    }

    VarType Type() const { return static_cast<VarType>(m_value.index()); }
    bool IsEmpty() const { return Type() == VarType::Empty; }
    bool IsNull() const { return Type() == VarType::Null; }
    bool IsNumeric() const;  // a number, or text that converts to one
    bool IsObject() const { return Type() == VarType::Object; }

    int16_t ToInteger() const;
    int32_t ToLong() const;
    double ToDouble() const;
    bool ToBool() const;
    std::string ToString() const;
    std::string ToText() const;
    DateTime ToDate() const;
    // The object held; raises ObjectRequired for anything that is not an object.
    std::shared_ptr<Object> ToObject() const;
    // The object held as T; raises ObjectRequired when no object is held and
    // TypeMismatch when the object is not a T.
    template <class T>
    std::shared_ptr<T> As() const {
        auto typed = std::dynamic_pointer_cast<T>(ToObject());
        if (!typed) throw HostError(err::TypeMismatch, "Type mismatch: the object is not of the expected kind");
        return typed;
    }

    // Same kind and same value (objects: the same object).
    bool operator==(const Variant& other) const = default;

private:
    std::variant<std::monostate, NullTag, bool, int16_t, int32_t, double, DateTime, std::string,
                 std::shared_ptr<Object>>
        m_value;
};

using VariantArray = std::vector<Variant>;

// The number at the start of a text: optional blanks, a sign, digits, a decimal
// point and digits, an exponent; reading stops at the first character that cannot
// continue the number. Text that does not start with a number gives 0.
TOLM_SDK_API double LeadingNumber(std::string_view text);

// The value read with the text "0" in front of it, as a 32-bit integer: Empty and
// Null give 0, 25 gives 25, "" gives 0; anything whose text is not numeric after the
// prefix raises TypeMismatch (for example -5, which reads "0-5").
TOLM_SDK_API int32_t ZeroPrefixedLong(const Variant& value);

// The value written with the pattern "0." and `places` zeros: at least one integer
// digit, exactly `places` decimals, halves rounded away from zero on the decimal
// value (1.005 with 2 places shows 1.01). With 0 places the text ends in a point
// ("7."). A result of zero carries no sign.
TOLM_SDK_API std::string FormatFixed(double value, int places);

// The value rounded to `places` decimals with halves going to the even neighbour,
// judged on the decimal value (0.125 -> 0.12, 0.135 -> 0.14, 2.5 -> 2).
TOLM_SDK_API double RoundHalfEven(double value, int places);

// A date of the calendar; raises InvalidProcedureCall for a day that does not exist.
TOLM_SDK_API DateTime MakeDate(int year, unsigned month, unsigned day);

// The date written with a pattern of the tokens yyyy, MM, dd, HH, mm, ss and
// literal characters: "yyyy-MM-dd" gives 2024-03-01, "yyyyMMdd" gives 20240301.
TOLM_SDK_API std::string FormatDate(DateTime value, std::string_view pattern);

// How strictly ParseDate reads a date.
enum class DateForm {
    // As the database stores it: "yyyy-MM-dd", or "yyyy-MM-dd HH:mm:ss" (a 'T' may
    // stand for the blank).
    Stored,
    // As people and regional settings write it: year first, '-' or '/' between the
    // parts, month and day with or without a leading zero, optionally followed by
    // one blank and "H:mm" or "H:mm:ss".
    Written,
    // What ToDate reads: a written date or "yyyyMMdd", blanks around it and any
    // number of blanks before the time.
    Any,
};

// The date (with its time of day) the text holds in that form; nothing for other
// text, for a day that does not exist and for a year outside 100..9999.
TOLM_SDK_API std::optional<DateTime> ParseDate(std::string_view text, DateForm form);

// A date as it is stored and shown as text: "yyyy-MM-dd", with " HH:mm:ss" when the
// time of day is not 0. Text in that form sorts in time order.
TOLM_SDK_API std::string FormatDateText(DateTime value);

// Days since 1899-12-30 with the time as a fraction, and back.
TOLM_SDK_API double DateToSerial(DateTime value);
TOLM_SDK_API DateTime SerialToDate(double serial);

}  // namespace tolm
