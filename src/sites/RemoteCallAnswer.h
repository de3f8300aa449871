#pragma once
// One decompressed answer of the 163 remote-call interface: script text in which
// every listed article is an object variable V with assignments such as
// V.title="..." and V.publishTime=123;, and the page's variables stand between
// the last "[" and the last "]". The assignments are indexed once per answer, so
// looking up every variable of even a hostile, endless list stays linear.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pw {

class RemoteCallAnswer {
public:
    explicit RemoteCallAnswer(std::string text);

    // The names listed between the last "[" and the last "]", repeats included;
    // empty when either bracket is missing or nothing but commas stands between.
    std::vector<std::string> ListedVariables() const;

    // The text of var.field="...": up to the next double quote (empty when there is
    // none); nullopt when the answer has no such assignment.
    std::optional<std::string> QuotedValue(const std::string& var, const std::string& field);

    // The number of var.field=123; (its leading digits, 0 without a ";" behind it);
    // nullopt when the answer has no such assignment.
    std::optional<int64_t> NumberValue(const std::string& var, const std::string& field);

private:
    using Index = std::unordered_map<std::string, int>;

    // Where the value of var + marker begins (first assignment), -1 when absent.
    int ValueStart(const std::string& var, const std::string& marker);
    Index BuildIndex(const std::string& marker) const;

    std::string text_;
    int lastSemicolon_;
    std::unordered_map<std::string, Index> indexes_;  // by assignment marker
};

}  // namespace pw
