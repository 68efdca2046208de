#pragma once
// A compiled Jet LIKE pattern.

#include <QString>

#include <vector>

namespace sql {

class LikePattern {
public:
    // Throws automation::Error("Invalid pattern string.") for an unclosed [.
    explicit LikePattern(const QString& pattern);
    bool matches(const QString& text) const;   // text unfolded; folded here

private:
    struct Element {
        enum Kind { Literal, AnyOne, AnyRun, Digit, Set } kind = Literal;
        char32_t ch = 0;
        bool negate = false;
        std::vector<std::pair<char32_t, char32_t>> ranges;
    };
    bool matchOne(const Element& e, char32_t c) const;
    std::vector<Element> m_elements;
};

} // namespace sql
