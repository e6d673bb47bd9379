// What a pattern's text says before it runs: how few and how many characters
// a match consumes (for the window check, and to search no further back than
// a match can reach), and which atom must take the newest character (so that
// a typed key most patterns cannot end on costs them no search). All of it
// comes from one walk over the text of a pattern that compiles; Boost keeps
// none of these figures, and its compiled form is its own.
#include "triggers/patterns.h"

#include <algorithm>

namespace {
constexpr int unbounded = 1 << 20; // more than any window: "no bound"

// The fewest and the most characters a piece of a pattern consumes.
struct Span {
    int shortest = 0, longest = 0;
};
constexpr Span zero{0, 0}, one{1, 1}, open_ended{0, unbounded};

int add(int a, int b) {
    return std::min(a + b, unbounded);
}
Span add(Span a, Span b) {
    return {add(a.shortest, b.shortest), add(a.longest, b.longest)};
}
int times(int a, int count) {
    if (count == 0 || a == 0) return 0;
    return static_cast<int>(std::min<long long>(1LL * a * count, unbounded));
}

bool is_digit(char32_t c) {
    return c >= '0' && c <= '9';
}

// One atom of the top level and the repeat after it.
struct Piece {
    enum Kind : uint8_t {
        atom,       // a character, an escape, a class, "."
        group,      // "(...)", "(?:...)", "(?<name>...)", "(?>...)": content from `inner`
        zero_width, // an anchor, "\b", a look-around, "(?i)", a comment
        opaque,     // a back-reference, "\Q...\E", a call, a conditional, "(?|...)"
    } kind = atom;
    std::size_t begin = 0, inner = 0, atom_end = 0; // in the pattern's text
    bool optional = false;                          // may repeat 0 times
};

class PatternWalk {
  public:
    explicit PatternWalk(std::u32string_view pattern) : p_(pattern) { span_ = alternatives(); }

    MatchLengths lengths() const {
        if (gave_up_) return {0, -1, false};
        return {span_.shortest, span_.longest >= unbounded ? -1 : span_.longest, true};
    }
    bool gave_up() const { return gave_up_; }
    // The top level's branches, each a list of pieces.
    const std::vector<std::vector<Piece>>& branches() const { return branches_; }

  private:
    std::u32string_view p_;
    std::size_t at_ = 0;
    int depth_ = 0;
    bool gave_up_ = false; // (?x) mode: spaces and comments, which this walk does not read
    Span span_;
    std::vector<std::vector<Piece>> branches_{1};

    bool more() const { return at_ < p_.size(); }
    char32_t peek(std::size_t ahead = 0) const {
        return at_ + ahead < p_.size() ? p_[at_ + ahead] : U'\0';
    }

    // Branches up to a ")" or the end.
    Span alternatives() {
        Span all = sequence();
        while (peek() == '|') {
            ++at_;
            if (depth_ == 0) branches_.emplace_back();
            const Span branch = sequence();
            all = {std::min(all.shortest, branch.shortest), std::max(all.longest, branch.longest)};
        }
        return all;
    }

    Span sequence() {
        Span total;
        while (more() && peek() != '|' && peek() != ')')
            total = add(total, piece());
        return total;
    }

    Span piece() {
        const bool top = depth_ == 0;
        Piece here;
        here.begin = at_;
        ++depth_;
        Span length;
        if (peek() == '\\' && peek(1) == 'Q') {
            length = quoted_run();
            here.kind = Piece::opaque;
        } else {
            length = atom(here);
        }
        --depth_;
        here.atom_end = at_;
        const Span result = repeated(length);
        here.optional = length.shortest > 0 && result.shortest == 0;
        if (top) branches_.back().push_back(here);
        return result;
    }

    // "\Q...\E": every character counts; a repeat after it takes the last one.
    Span quoted_run() {
        at_ += 2;
        int count = 0;
        for (; more() && !(peek() == '\\' && peek(1) == 'E'); ++at_)
            ++count;
        if (more()) at_ += 2;
        return count == 0 ? zero : add(Span{count - 1, count - 1}, repeated(one));
    }

    Span atom(Piece& here) {
        const char32_t c = p_[at_++];
        switch (c) {
        case '(':
            return group(here);
        case '[':
            skip_class();
            return one;
        case '\\':
            return escape(here);
        case '^':
        case '$':
            here.kind = Piece::zero_width;
            return zero;
        default:
            return one;
        }
    }

    // After "(".
    Span group(Piece& here) {
        here.kind = Piece::group;
        here.inner = at_;
        if (peek() != '?') return closed(alternatives());
        ++at_;
        const char32_t kind = peek();
        if (kind == '#') {
            while (more() && peek() != ')')
                ++at_;
            here.kind = Piece::zero_width;
            return closed(zero);
        }
        if (kind == '=' || kind == '!' || (kind == '<' && (peek(1) == '=' || peek(1) == '!'))) {
            at_ += kind == '<' ? 2 : 1;
            here.kind = Piece::zero_width;
            closed(alternatives());
            return zero;
        }
        if (kind == ':' || kind == '>' || kind == '|') {
            ++at_;
            here.inner = at_;
            if (kind == '|') here.kind = Piece::opaque; // its groups number anew
            return closed(alternatives());
        }
        if (kind == '<' || kind == '\'' || (kind == 'P' && peek(1) == '<')) {
            skip_past(kind == '\'' ? '\'' : '>');
            here.inner = at_;
            return closed(alternatives());
        }
        here.kind = Piece::opaque;
        if (kind == '(') { // a condition, then one or two branches: either may be empty
            Piece condition;
            atom(condition);
            return {0, closed(alternatives()).longest};
        }
        return flags_or_call(here);
    }

    // "(?i)", "(?i-s:...)", and calls such as "(?R)", "(?1)", "(?&name)".
    Span flags_or_call(Piece& here) {
        bool on = true, call = false;
        while (more() && peek() != ')' && peek() != ':') {
            const char32_t c = p_[at_++];
            if (c == '-')
                on = false;
            else if (c == 'x' && on)
                gave_up_ = true;
            else if (c != 'i' && c != 'm' && c != 's' && c != 'x')
                call = true;
        }
        if (peek() != ':' || call) {
            here.kind = call ? Piece::opaque : Piece::zero_width;
            return closed(call ? open_ended : zero);
        }
        ++at_;
        here.kind = Piece::group;
        here.inner = at_;
        return closed(alternatives());
    }

    Span closed(Span length) {
        if (peek() == ')') ++at_;
        return length;
    }

    void skip_past(char32_t end) {
        while (more() && p_[at_++] != end) {}
    }

    void skip_class() {
        if (peek() == '^') ++at_;
        if (peek() == ']') ++at_;
        while (more() && peek() != ']') {
            if (peek() == '\\') {
                at_ += 2;
            } else if (peek() == '[' && (peek(1) == ':' || peek(1) == '=' || peek(1) == '.')) {
                const char32_t mark = peek(1);
                at_ += 2;
                while (more() && !(peek() == mark && peek(1) == ']'))
                    ++at_;
                at_ += 2;
            } else {
                ++at_;
            }
        }
        if (more()) ++at_;
    }

    // After "\": assertions consume nothing, back-references nothing certain.
    Span escape(Piece& here) {
        if (!more()) return zero;
        const char32_t c = p_[at_++];
        if (std::u32string_view(U"bBAzZG<>`'KE").find(c) != std::u32string_view::npos) {
            here.kind = Piece::zero_width;
            return zero;
        }
        if ((is_digit(c) && c != '0') || c == 'g' || c == 'k') {
            if (is_digit(c)) {
                while (is_digit(peek()))
                    ++at_;
            } else {
                skip_name();
            }
            here.kind = Piece::opaque;
            return open_ended;
        }
        if (c == 'x' || c == 'p' || c == 'P' || c == 'N') {
            if (peek() == '{')
                skip_past('}');
            else if (c == 'p' || c == 'P')
                ++at_;
        } else if (c == 'c') {
            ++at_;
        }
        return one;
    }

    // "\g1", "\g{-1}", "\k<name>", "\k'name'", "\k{name}".
    void skip_name() {
        const char32_t open = peek();
        if (open == '{' || open == '<' || open == '\'') {
            skip_past(open == '{' ? '}' : open == '<' ? '>' : '\'');
            return;
        }
        if (peek() == '-' || peek() == '+') ++at_;
        while (is_digit(peek()))
            ++at_;
    }

    // "*", "+", "?" and "{n}", "{n,}", "{n,m}" after an atom of `length`,
    // with a lazy "?" or possessive "+" after them.
    Span repeated(Span length) {
        int least = 1, most = 1;
        const char32_t c = peek();
        if (c == '*' || c == '?' || c == '+') {
            ++at_;
            least = c == '+' ? 1 : 0;
            most = c == '?' ? 1 : unbounded;
        } else if (c != '{' || !is_digit(peek(1)) || !read_count(least, most)) {
            return length;
        }
        if (peek() == '?' || peek() == '+') ++at_;
        const bool endless = most >= unbounded && length.longest > 0;
        return {times(length.shortest, least), endless ? unbounded : times(length.longest, most)};
    }

    // "{n}", "{n,}" or "{n,m}"; false (and nothing read) when the "{" is a
    // character of its own.
    bool read_count(int& least, int& most) {
        const std::size_t start = at_++;
        least = most = number();
        if (peek() == ',') {
            ++at_;
            most = is_digit(peek()) ? number() : unbounded;
        }
        if (peek() == '}') {
            ++at_;
            return true;
        }
        at_ = start;
        return false;
    }

    int number() {
        int value = 0;
        while (is_digit(peek()))
            value = std::min(value * 10 + static_cast<int>(p_[at_++] - '0'), unbounded);
        return value;
    }
};

// The atoms that can take the last character of a branch; false when the
// branch does not say (its last piece is optional, a back-reference ...).
bool branch_final_atoms(std::u32string_view pattern, const std::vector<Piece>& pieces,
                        std::vector<std::u32string>& atoms) {
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        if (piece->kind == Piece::zero_width) continue;
        if (piece->kind == Piece::opaque || piece->optional) return false;
        if (piece->kind == Piece::atom) {
            atoms.emplace_back(pattern.substr(piece->begin, piece->atom_end - piece->begin));
            return true;
        }
        const std::size_t inner_end = piece->atom_end - 1; // before its ")"
        return final_atoms(pattern.substr(piece->inner, inner_end - piece->inner), atoms);
    }
    return false;
}
} // namespace

MatchLengths match_lengths(std::u32string_view pattern) {
    return PatternWalk(pattern).lengths();
}

bool final_atoms(std::u32string_view pattern, std::vector<std::u32string>& atoms) {
    const PatternWalk walk(pattern);
    if (walk.gave_up()) return false;
    for (const std::vector<Piece>& branch : walk.branches())
        if (!branch_final_atoms(pattern, branch, atoms)) return false;
    return true;
}
