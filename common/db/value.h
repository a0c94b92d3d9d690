// A field value: Null, a whole number, a floating number or a text (UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace qv::db {

class Value {
public:
    Value() = default;                       // Null
    Value(std::nullptr_t) {}
    Value(int v) : v_(int64_t(v)) {}
    Value(int64_t v) : v_(v) {}
    Value(double v) : v_(v) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(std::string_view s) : v_(std::string(s)) {}

    bool isNull() const { return v_.index() == 0; }
    bool isInt() const { return v_.index() == 1; }
    bool isDouble() const { return v_.index() == 2; }
    bool isNumber() const { return isInt() || isDouble(); }
    bool isText() const { return v_.index() == 3; }

    // Conversions as a program reading a field would make them: a number's
    // text is its shortest form of up to 15 significant digits; a text reads
    // as the number at its start (0 when none); Null reads as 0 or "".
    std::string toString() const;
    double toDouble() const;
    int64_t toInt() const;                   // floating values rounded half to even

    const std::string& text() const { return std::get<3>(v_); }
    int64_t intValue() const { return std::get<1>(v_); }
    double doubleValue() const { return std::get<2>(v_); }

    // Replaces the value by a text, reusing this value's storage.
    void assignText(const char* p, size_t n) {
        if (auto* s = std::get_if<std::string>(&v_)) s->assign(p, n);
        else v_.emplace<std::string>(p, n);
    }

    // Gives the text's storage away (for reuse); the value becomes Null.
    std::string takeText() {
        std::string s;
        if (auto* p = std::get_if<std::string>(&v_)) s = std::move(*p);
        v_ = std::monostate{};
        return s;
    }

    bool operator==(const Value& o) const { return v_ == o.v_; }

private:
    std::variant<std::monostate, int64_t, double, std::string> v_;
};

}  // namespace qv::db
