// SPDX-License-Identifier: MIT
#pragma once

// The rules of GB 50140-2005《建筑灭火器配置设计规范》 for one calculation unit (计算单元):
// its tables, parsers for what a designer types, and the calculation of 7.1–7.3 with the
// checks of 4.2, 5.2, 6.1 and 6.2. Nothing here is shared with the GBJ140-90 rules of the
// rest of the core: "A" and "B" mean different amounts in the two standards.
//
// All arithmetic is exact: areas are held in millionths of a square metre and K, the
// factor and U in tenths, so a result such as 0.9 × 1500 ÷ 75 is exactly 18, never a
// binary approximation that rounds up to 19.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace extcalc::gb50140 {

inline constexpr std::string_view kStandardName = "GB 50140-2005《建筑灭火器配置设计规范》";

// ---- Tables ---------------------------------------------------------------------------

enum class FireClass { A, B, C, D, E };

struct FireClassRow {
    FireClass fireClass;
    char letter;
    std::string_view burns;  // 3.1.2
};
std::span<const FireClassRow> fireClasses();

// Numbered 1 轻危险级, 2 中危险级, 3 严重危险级.
struct HazardLevel {
    int number;
    std::string_view name;
};
std::span<const HazardLevel> hazardLevels();

// One row of Table 6.2.1 (class A) or 6.2.2 (classes B, C).
struct RatingRow {
    int hazard;
    int minRating;  // 单具灭火器最小配置灭火级别, in A or B
    int uTenths;    // 单位灭火级别最大保护面积 U in tenths of m² per A or B
    std::string_view uText;
};
std::span<const RatingRow> table621();
std::span<const RatingRow> table622();

// One row of Table 5.2.1 (class A) or 5.2.2 (classes B, C): 最大保护距离 in metres.
struct DistanceRow {
    int hazard;
    int handHeldM;
    int wheeledM;
};
std::span<const DistanceRow> table521();
std::span<const DistanceRow> table522();
// R for a place: Table 5.2.1 for class A and class E on an A basis, 5.2.2 for B, C and E on a
// B basis (5.2.4); 0 for class D, which has no general rule, and for a hazard outside 1–3.
int maxDistanceM(FireClass fireClass, FireClass basis, int hazard, bool wheeled);

// 7.3.2, numbered 1–5.
struct KItem {
    int number;
    std::string_view text;
    int tenths;
    std::string_view valueText;
};
std::span<const KItem> kItems();

// 7.3.3: these places take Q = 1.3·K·S/U.
inline constexpr std::string_view kSpecialPlaces =
    "歌舞娱乐放映游艺场所、网吧、商场、寺庙以及地下场所等";
inline constexpr int kSpecialFactorTenths = 13;

enum class Agent {
    Water,          // 清水 and other water types
    WaterForB,      // 水型（灭B类火）
    Foam,           // 泡沫
    FoamAR,         // 抗溶泡沫
    BcPowder,       // 碳酸氢钠干粉
    AbcPowder,      // 磷酸铵盐干粉
    CarbonDioxide,  // 二氧化碳
};
std::string_view agentName(Agent agent);

// Appendix A. A rating of 0 means the model has none for that class.
struct Model {
    std::string_view code;
    std::string_view type;
    std::string_view charge;
    Agent agent;
    int ratingA;
    int ratingB;
    bool wheeled;
};
std::span<const Model> models();
// By code, ignoring the case of ASCII letters; nullptr when not listed.
const Model* findModel(std::string_view code);

// 4.2 for a listed agent kind; class D never (it needs 扑灭金属火灾的专用灭火器).
bool suitable(Agent agent, FireClass fireClass);
// The clause of 4.2 that names the extinguishers for a class: 4.2.1 (A) to 4.2.5 (E).
std::string_view suitabilityClause(FireClass fireClass);

// ---- Mandatory clauses (强制性条文) ----------------------------------------------------

// The clauses published as mandatory with the standard (建设部公告第355号), in clause order.
// A plan reviewer checks these first, so every check resting on one says so.
std::span<const std::string_view> mandatoryClauses();
// Whether a clause number ("6.2.1") is mandatory. Several joined by "/" ("5.2.1/5.2.2", a
// check that takes one table or the other by class) are mandatory when every one is; an
// empty text, a chapter ("4.2") or a clause that is not listed is not.
bool isMandatory(std::string_view clause);
// How the report, the problem texts and the command line mark a mandatory check, and what
// the mark means.
inline constexpr std::string_view kMandatoryMark = "【强条】";
inline constexpr std::string_view kMandatoryLegend = "【强条】：强制性条文，必须严格执行";

// ---- Inputs ---------------------------------------------------------------------------

// A model the designer describes: ratings (0 for none) and its kind.
struct CustomModel {
    int ratingA = 0;
    int ratingB = 0;
    bool wheeled = false;
};

// What the designer says of a CO₂ extinguisher's horn: 4.2 bars metal horns (金属喇叭喷筒)
// from class E, and only the installed product shows which it has.
enum class Horn { Unstated, NonMetal, Metal };

// The fire classes of one place (4.1.2): a set, always written in the order A, B, C, D, E.
class ClassSet {
  public:
    ClassSet() = default;
    explicit ClassSet(FireClass only) { add(only); }
    void add(FireClass fireClass) { bits_ |= bit(fireClass); }
    [[nodiscard]] bool has(FireClass fireClass) const { return (bits_ & bit(fireClass)) != 0; }
    [[nodiscard]] bool empty() const { return bits_ == 0; }
    [[nodiscard]] int size() const;
    // In the order of fireClasses().
    [[nodiscard]] std::vector<FireClass> list() const;
    bool operator==(const ClassSet&) const = default;

  private:
    static unsigned bit(FireClass fireClass) { return 1U << static_cast<unsigned>(fireClass); }
    unsigned bits_ = 0;
};
// "A", "A+B", "B+C+E": the letters in table order joined by "+".
std::string classSetText(ClassSet classes);

struct Unit {
    FireClass fireClass = FireClass::A;
    FireClass basis = FireClass::A;   // class E only: whether the place's A or B rules apply
    int hazard = 2;                   // 1–3
    int kItem = 1;                    // 1–5
    bool special = false;             // one of kSpecialPlaces (×1.3)
    std::int64_t areaMillionths = 0;  // S × 10⁶, see parseArea
    int points = 1;                   // N, 1–kMaxPoints
    std::variant<const Model*, CustomModel> extinguisher = CustomModel{};
    Horn horn = Horn::Unstated;  // weighed for a listed CO₂ model in class E only
};

// ---- Parsers of typed answers -----------------------------------------------------------

enum class ParseError {
    None,
    Empty,
    NotANumber,  // does not start with a digit
    Negative,
    Zero,
    TooLarge,         // area above kMaxAreaM2, points above kMaxPoints
    TooManyDecimals,  // area with more than kMaxAreaDecimals decimals
    ThousandsSeparator,
    Exponent,
    FullWidth,     // full-width digits or decimal point
    TrailingText,  // text after the number other than a unit of area
    NotWhole,      // points with a decimal point
    UnknownFireClass,
    RepeatedFireClass,  // "A+A"
    UnknownHazard,
    UnknownK,
    UnknownExtinguisher,
    RatingOutOfRange,  // a custom rating outside 1–kMaxCustomRating
};
std::string_view parseErrorText(ParseError error);

template <typename T>
struct Parsed {
    T value{};
    ParseError error = ParseError::None;
    explicit operator bool() const { return error == ParseError::None; }
};

// Limits. Areas: above 0 and at most a billion m², more than any floor or compartment, with
// at most 6 decimals (a square millimetre); points: up to 10000 in one unit; custom ratings up
// to 9999 (the largest listed model is 144B).
inline constexpr std::int64_t kMaxAreaM2 = 1'000'000'000;
inline constexpr int kMaxAreaDecimals = 6;
inline constexpr int kMaxPoints = 10'000;
inline constexpr int kMaxCustomRating = 9999;

// Every parser ignores blanks (spaces, tabs) before and after the answer.
//
// Area: ASCII digits, optionally "." and 1–6 more digits, optionally blanks and one of
// 平方米, m2, m². Above 0 and at most kMaxAreaM2.
Parsed<std::int64_t> parseArea(std::string_view text);
// A–E, either case.
Parsed<FireClass> parseFireClass(std::string_view text);
// One class or several joined by "+" (or the full-width "＋"), in any order and either case,
// blanks allowed around each: "A", "A+B", "b + a", "A＋E". Each class at most once.
Parsed<ClassSet> parseFireClasses(std::string_view text);
// 1–3 or the level's name.
Parsed<int> parseHazard(std::string_view text);
// 1–5, the item's text, or its value as a decimal (0.3, 0.5, 0.7, 0.9, 1.0; trailing zeros
// allowed, e.g. 0.90). Returns the item number.
Parsed<int> parseKItem(std::string_view text);
// A whole number 1–kMaxPoints.
Parsed<int> parsePoints(std::string_view text);
// A listed code (any case), or a model of one's own:
//   rating ["/" rating] ["/推车式"]   where rating is 1–9999 followed by A or B (either case),
// at most one of each letter: "3A/55B", "4A", "89B", "6A/推车式", "55B/4A/推车式".
Parsed<std::variant<const Model*, CustomModel>> parseExtinguisher(std::string_view text);

// ---- Calculation ----------------------------------------------------------------------

enum class Severity { Error, Warning };

enum class ProblemCode {
    InvalidUnit,        // an input outside its range (only when built without the parsers)
    ClassD,             // no general rule: nothing is calculated
    NotSuitable,        // 4.2
    NoRating,           // the model has no rating for the class: no counts
    BelowMinimum,       // 6.2.1/6.2.2: counts are still given
    MoreThanFive,       // 6.1.2
    CarbonDioxideForE,  // 4.2: not with a metal horn; a warning until the horn is stated
    CustomSuitability,  // 4.2 cannot be checked for a model of one's own
    BeyondMaxDistance,  // 5.2.1/5.2.2 on a plan: a spot farther than R from every point
};

// A problem rests on the clause it names; whether that clause is mandatory follows from
// the clause alone, so no check can be marked one way and cite the other. A failed check
// on a mandatory clause is always an error; a warning on one says only that the program
// cannot tell (a model of one's own, a horn not stated) and the designer must confirm.
struct Problem {
    ProblemCode code;
    Severity severity;
    std::string text;
    std::string_view clause;  // "6.2.1", "5.2.1/5.2.2"; empty for none

    [[nodiscard]] bool mandatory() const { return isMandatory(clause); }
};

// An exact value as a double (for machine output; whole numbers exact) and as shown: whole numbers
// without decimals; others to 2 decimals rounded half up, or with as many more (up to 6) as
// keep a value that is not whole from looking whole. Where even 6 are not enough, the text is
// the nearest 6-decimal one that is not whole (18.0000001 shows 18.000001).
struct Figure {
    double value = 0.0;
    std::string text;
};

// One class of a place with several (7.3.1 per class): its own tables, Q, Qe and rating.
struct ClassFigures {
    FireClass fireClass = FireClass::A;
    char basis = 'A';  // whose tables and rating apply: 'A' or 'B'
    Figure u;
    Figure q;
    std::int64_t qRequired = 0;
    Figure qe;
    std::int64_t qeRequired = 0;
    int minRating = 0;
    int rating = 0;             // the model's rating for basis; 0 for none
    bool counted = false;       // a count was reached for this class
    Figure perPointRatio;       // qeRequired / rating
    std::int64_t perPoint = 0;  // ⌈Qe / rating⌉, before 6.1.1
    int maxDistanceM = 0;
    std::string formulaQ;
    std::string formulaQe;
    std::string formulaPerPoint;
};

struct Result {
    std::string_view standard = kStandardName;
    FireClass fireClass = FireClass::A;
    char basis = 'A';       // whose tables and rating apply: 'A' or 'B' (C, E per choice)
    bool computed = false;  // counts given: not for class D, invalid input, an unsuitable
                            // model or one without a rating for the class
    Figure u;               // m² per A or B
    Figure k;
    Figure factor;               // 1.3 or 1
    Figure area;                 // S, m²
    Figure q;                    // f·K·S/U
    std::int64_t qRequired = 0;  // Q rounded up
    int points = 0;
    Figure qe;  // qRequired / N
    std::int64_t qeRequired = 0;
    int minRating = 0;
    std::string modelCode;  // empty for a model of one's own
    std::string modelDescription;
    bool wheeled = false;
    int rating = 0;        // the model's rating for basis; 0 for none
    Figure perPointRatio;  // qeRequired / rating
    std::int64_t perPoint = 0;
    std::int64_t total = 0;
    int maxDistanceM = 0;
    std::string formulaQ;         // Q = 1.3 × 0.9 × 150 ÷ 1.5 = 117
    std::string formulaQe;        // Qe = Q ÷ N = 18 ÷ 2 = 9
    std::string formulaPerPoint;  // n = Qe ÷ R = 9 ÷ 2 = 4.50
    std::vector<Problem> problems;
    // A place with several classes: one entry per class, in table order, and the class whose
    // count per point is the largest (the first of equals). The single figures above are then
    // the deciding class's, or the first class's when no count was reached; maxDistanceM is
    // the shortest of the classes' distances. Empty for a place of one class.
    std::vector<ClassFigures> classes;
    std::optional<FireClass> decidingClass;
    ClassSet classSet;  // the place's classes when it has several, D among them too

    // Whether this is a place of several classes.
    [[nodiscard]] bool several() const { return classSet.size() > 1; }

    bool hasError() const;
};

Result calculate(const Unit& unit);
// A place of several classes (4.1.2); unit.fireClass is ignored. A set of one class is the
// unit of that class, calculated exactly as above.
Result calculate(const Unit& unit, ClassSet classes);

// The display rule of Figure for num/den (den > 0, num ≥ 0).
std::string decimalText(std::int64_t num, std::int64_t den);

}  // namespace extcalc::gb50140
