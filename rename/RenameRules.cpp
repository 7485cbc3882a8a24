#include "rename/RenameRules.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/AsciiCase.h"
#include "base/Crc32.h"
#include "base/PathUtil.h"
#include "base/StringPrintf.h"
#include "platform/FileText.h"
#include "platform/Prompter.h"

namespace quillon {

namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The byte length of the character at `at`: a well-formed UTF-8 sequence, or one byte.
size_t CharLength(std::string_view text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 1;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        // No overlong forms, no surrogates.
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 1 || at + length > text.size()) {
        return 1;
    }
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high) {
        return 1;
    }
    for (size_t i = 2; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) {
            return 1;
        }
    }
    return length;
}

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

RuleResult Named(std::string name) {
    RuleResult result;
    result.name = std::move(name);
    return result;
}

RuleResult Failed(std::string error, std::string failure) {
    RuleResult result;
    result.error = std::move(error);
    result.failure = std::move(failure);
    return result;
}

std::string CannotRename(const RenameEntry& entry) {
    return StringPrintf(kCannotRenameFormat, entry.name);
}

size_t FindFolded(const std::string& foldedText, const std::string& foldedWord, size_t from) {
    return foldedWord.empty() ? std::string::npos : foldedText.find(foldedWord, from);
}

int Digits(int index) {
    return std::clamp(index, 0, 8) + 1;
}

void ShowMessage(Prompter& prompter, const std::string& text, uint32_t style) {
    PromptRequest request;
    request.text = text;
    request.style = style;
    prompter.Ask(request);
}

// Page 2's first number: the leading digits of its field (none: 0), capped where no list can
// reach.
long long StartNumber(std::string_view field) {
    long long start = 0;
    for (size_t i = 0; i < field.size() && field[i] >= '0' && field[i] <= '9' && start < 1000000000;
         ++i) {
        start = start * 10 + (field[i] - '0');
    }
    return start;
}

// Pages 2 to 5 take the leading white space off every new name.
bool TrimsLeadingSpace(int page) {
    return page >= 2 && page <= 5;
}

}  // namespace

std::string RenameEntry::FullPath() const {
    return JoinPath(folder, name);
}

NameParts SplitName(std::string_view name, bool isFile) {
    const size_t dot = isFile ? name.rfind('.') : std::string_view::npos;
    if (dot == std::string_view::npos) {
        return {std::string(name), {}};
    }
    return {std::string(name.substr(0, dot)), std::string(name.substr(dot))};
}

size_t CountCharacters(std::string_view text) {
    size_t count = 0;
    for (size_t at = 0; at < text.size(); at += CharLength(text, at)) {
        ++count;
    }
    return count;
}

size_t CharactersToBytes(std::string_view text, size_t count) {
    size_t at = 0;
    for (; at < text.size() && count > 0; --count) {
        at += CharLength(text, at);
    }
    return at;
}

std::string TrimLeadingSpace(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && IsAsciiSpace(text[start])) {
        ++start;
    }
    return std::string(text.substr(start));
}

std::string TrimTrailingSpace(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && IsAsciiSpace(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(0, end));
}

bool IsUsableName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

uint32_t NumericPrefix(std::string_view base, int digits) {
    uint32_t modulus = 1;
    for (int i = 0; i < std::clamp(digits, 1, 9); ++i) {
        modulus *= 10;
    }
    return Crc32Update(kCrc32Initial, base.data(), base.size()) % modulus;
}

RuleResult NewNamePage1(const Page1Options& options, const RenameEntry& entry) {
    const NameParts parts = SplitName(entry.name, entry.isFile);
    const std::string& text = options.mode == 1 ? options.suffix : options.prefix;
    switch (options.mode) {
        case 1:
            return Named(parts.base + text + parts.extension);
        case 2: {
            const int digits = Digits(options.digitsIndex);
            const auto number = static_cast<int>(NumericPrefix(parts.base, digits));
            return Named(StringPrintf("%0*d", digits, number) + text + parts.base +
                         parts.extension);
        }
        case 3: {
            const int digits = Digits(options.removeIndex);
            const size_t headBytes = CharactersToBytes(parts.base, size_t(digits));
            const std::string head = parts.base.substr(0, headBytes);
            const std::string rest = parts.base.substr(headBytes);
            const bool numeric =
                CountCharacters(parts.base) >= size_t(digits) &&
                std::all_of(head.begin(), head.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (!numeric) {
                return Failed(StringPrintf(kFrontNotNumberFormat, head), CannotRename(entry));
            }
            if (!rest.starts_with(text)) {
                return Failed(StringPrintf(kNotStartingWithFormat, text), CannotRename(entry));
            }
            return Named(rest.substr(text.size()) + parts.extension);
        }
        default:
            return Named(text + parts.base + parts.extension);
    }
}

RuleResult NewNamePage2(const Page2Options& options, const RenameEntry& entry, size_t index) {
    const NameParts parts = SplitName(entry.name, entry.isFile);
    if (options.mode == 1) {
        return Named(parts.base + "." + options.extension);
    }
    const std::string& field = options.numberField;
    const long long start = StartNumber(field);
    const int width = static_cast<int>(std::min<size_t>(CountCharacters(field), 64));
    return Named(options.prefix + StringPrintf("%.*lld", width, start + (long long)index) +
                 parts.extension);
}

RuleResult NewNamePage3(const Page3Options& options, const RenameEntry& entry) {
    const bool front = options.mode == 0;
    const std::string& delimiter = front ? options.lastDelimiter : options.firstDelimiter;
    const std::string& text = front ? options.lastText : options.firstText;
    const int count = front ? options.lastCount : options.firstCount;
    if (delimiter.empty()) {
        return Failed(kNoDelimiterError, CannotRename(entry));
    }
    const std::string& whole = entry.name;
    int found = 0;
    size_t at = std::string::npos;
    if (front) {
        size_t searchEnd = whole.size();
        while (found < count) {
            const size_t hit = searchEnd < delimiter.size()
                                   ? std::string::npos
                                   : whole.rfind(delimiter, searchEnd - delimiter.size());
            if (hit == std::string::npos) {
                break;
            }
            ++found;
            at = hit;
            searchEnd = hit;
        }
    } else {
        size_t from = 0;
        while (found < count) {
            const size_t hit = whole.find(delimiter, from);
            if (hit == std::string::npos) {
                break;
            }
            ++found;
            at = hit;
            from = hit + delimiter.size();
        }
    }
    if (count <= 0 || found < count) {
        return Failed(StringPrintf(kDelimitersFoundFormat, found, count, delimiter),
                      StringPrintf(kDelimitersFailureFormat, entry.name, found, count, delimiter));
    }
    if (front) {
        return Named(text + whole.substr(at + delimiter.size()));
    }
    return Named(whole.substr(0, at) + text + SplitName(whole, entry.isFile).extension);
}

RuleResult NewNamePage4(const Page4Options& options, const RenameEntry& entry) {
    const NameParts parts = SplitName(entry.name, entry.isFile);
    const std::string& old = options.Old();
    const std::string& replacement = options.New();
    if (options.mode == 2) {
        std::string base;
        size_t from = 0;
        for (size_t hit; !old.empty() && (hit = parts.base.find(old, from)) != std::string::npos;
             from = hit + old.size()) {
            base += parts.base.substr(from, hit - from) + replacement;
        }
        base += parts.base.substr(from);
        return Named(base + parts.extension);
    }
    const std::string folded = FoldAscii(parts.base);
    const std::string word = FoldAscii(old);
    size_t at = FindFolded(folded, word, 0);
    if (options.mode == 1) {
        for (size_t next = at; next != std::string::npos;) {
            at = next;
            next = FindFolded(folded, word, at + CharLength(folded, at));
        }
    }
    if (at == std::string::npos) {
        return Failed(StringPrintf(kWordNotFoundFormat, old),
                      StringPrintf(kWordFailureFormat, entry.name, old));
    }
    return Named(parts.base.substr(0, at) + replacement + parts.base.substr(at + old.size()) +
                 parts.extension);
}

PatternPlan PreparePattern(const Page5Options& options) {
    PatternPlan plan;
    plan.pattern = options.pattern;
    plan.mode = options.mode;
    const std::string& p = options.pattern;
    if (p.empty()) {
        plan.error = kPatternEmptyError;
        return plan;
    }
    if (std::count(p.begin(), p.end(), '*') > 1) {
        plan.error = kPatternStarsError;
        return plan;
    }
    const size_t star = p.find('*');
    plan.patternStar = star != std::string::npos;
    plan.left = plan.patternStar ? FoldAscii(p.substr(0, star)) : std::string();
    plan.right = FoldAscii(plan.patternStar ? p.substr(star + 1) : p);
    const std::string& q = options.NewPattern();
    const size_t newStar = q.find('*');
    plan.newStar = newStar != std::string::npos;
    plan.newLeft = plan.newStar ? q.substr(0, newStar) : q;
    plan.newRight = plan.newStar ? q.substr(newStar + 1) : std::string();
    return plan;
}

RuleResult NewNamePage5(const PatternPlan& plan, const RenameEntry& entry) {
    if (!plan.error.empty()) {
        return Failed(plan.error, CannotRename(entry));
    }
    const NameParts parts = SplitName(entry.name, entry.isFile);
    const std::string& base = parts.base;
    const std::string folded = FoldAscii(base);
    const size_t npos = std::string::npos;
    const size_t i = FindFolded(folded, plan.left, 0);
    size_t j = FindFolded(folded, plan.right, 0);
    // The right part counts only where it follows the text the left part matched.
    const size_t leftEnd = i == npos ? 0 : i + plan.left.size();
    while (j != npos && j < leftEnd) {
        j = FindFolded(folded, plan.right, j + CharLength(folded, j));
    }
    if ((!plan.left.empty() && i == npos) || (!plan.right.empty() && j == npos)) {
        return Failed(StringPrintf(kNoMatchingPatternFormat, plan.pattern),
                      StringPrintf(kPatternFailureFormat, entry.name, plan.pattern));
    }
    const std::string before =
        i == npos ? base.substr(0, plan.patternStar ? 0 : j) : base.substr(0, i);
    const std::string after = j == npos ? std::string() : base.substr(j + plan.right.size());
    std::string star;
    if (plan.patternStar && plan.newStar) {
        if (j == npos) {
            star = base.substr(leftEnd);
        } else if (i == npos) {
            star = base.substr(0, j);
        } else {
            star = base.substr(leftEnd, j - leftEnd);
        }
    }
    const std::string rebuilt = plan.newLeft + star + plan.newRight;
    switch (plan.mode) {
        case 1:
            return Named(before + after + rebuilt + parts.extension);
        case 2:
            return Named(before + rebuilt + after + parts.extension);
        default:
            return Named(rebuilt + before + after + parts.extension);
    }
}

std::vector<RuleResult> NewNames(int page, const RenameOptions& options,
                                 const std::vector<RenameEntry>& entries) {
    std::vector<RuleResult> results;
    results.reserve(entries.size());
    const PatternPlan plan = page == 5 ? PreparePattern(options.page5) : PatternPlan{};
    for (size_t k = 0; k < entries.size(); ++k) {
        const RenameEntry& entry = entries[k];
        RuleResult result;
        switch (page) {
            case 1:
                result = NewNamePage1(options.page1, entry);
                break;
            case 2:
                result = NewNamePage2(options.page2, entry, k);
                break;
            case 3:
                result = NewNamePage3(options.page3, entry);
                break;
            case 4:
                result = NewNamePage4(options.page4, entry);
                break;
            case 5:
                result = NewNamePage5(plan, entry);
                break;
            default:
                result =
                    Failed(StringPrintf(kUnusableNameErrorFormat, entry.name), CannotRename(entry));
                break;
        }
        if (result.Ok() && TrimsLeadingSpace(page)) {
            result.name = TrimLeadingSpace(result.name);
        }
        if (result.Ok() && !IsUsableName(result.name)) {
            result =
                Failed(StringPrintf(kUnusableNameErrorFormat, result.name), CannotRename(entry));
        }
        results.push_back(std::move(result));
    }
    return results;
}

bool SameExtension(const std::vector<RenameEntry>& entries) {
    if (entries.empty()) {
        return true;
    }
    const std::string first = SplitName(entries.front().name, entries.front().isFile).extension;
    return std::all_of(entries.begin(), entries.end(), [&first](const RenameEntry& entry) {
        const std::string extension = SplitName(entry.name, entry.isFile).extension;
        return extension.empty() || EqualsNoCase(extension, first);
    });
}

std::string SimulatedResult(int page, const RenameOptions& options,
                            const std::vector<RenameEntry>& entries, size_t* errors) {
    size_t errorLines = 0;
    std::string text;
    if (page == 6) {
        text = TimestampFileList(entries);
    } else if (page == 5 && !PreparePattern(options.page5).error.empty()) {
        text = PreparePattern(options.page5).error;
        errorLines = 1;
    } else {
        if (page == 2 && options.page2.mode == 1 && !SameExtension(entries)) {
            text = kDifferentExtensionsWarning;
        }
        // Names compare with A-Z folded, and only within one folder: the stand-alone list may
        // span several. One record per folder and name: how many items of the list not yet
        // walked have it as their name, and whether a new name of this pass took it.
        struct Seen {
            size_t pending = 0;
            bool taken = false;
        };
        std::unordered_map<std::string, Seen> seen;
        seen.reserve(entries.size() * 2 + 1);
        std::unordered_map<std::string, std::string> folderKeys;
        std::vector<std::string> keyOfFolder(entries.size());
        for (size_t k = 0; k < entries.size(); ++k) {
            if (k > 0 && entries[k].folder == entries[k - 1].folder) {
                keyOfFolder[k] = keyOfFolder[k - 1];
            } else {
                const auto [it, added] = folderKeys.try_emplace(entries[k].folder);
                if (added) {
                    it->second = std::to_string(folderKeys.size()) + '/';
                }
                keyOfFolder[k] = it->second;
            }
        }
        std::vector<Seen*> own(entries.size());
        for (size_t k = 0; k < entries.size(); ++k) {
            own[k] = &seen[keyOfFolder[k] + FoldAscii(entries[k].name)];
            ++own[k]->pending;
        }
        const std::vector<RuleResult> results = NewNames(page, options, entries);
        text.reserve(text.size() + entries.size() * 48);
        for (size_t k = 0; k < entries.size(); ++k) {
            const RenameEntry& entry = entries[k];
            --own[k]->pending;
            std::string error = results[k].error;
            if (error.empty()) {
                Seen& target = seen[keyOfFolder[k] + FoldAscii(results[k].name)];
                if (target.taken) {
                    error = StringPrintf(kSameNameErrorFormat, results[k].name);
                } else if (target.pending > 0) {
                    error = StringPrintf(kNotYetRenamedErrorFormat, results[k].name);
                }
                target.taken = true;
            }
            if (error.empty()) {
                text += StringPrintf(kNewNameLineFormat, entry.name, results[k].name);
            } else {
                text += StringPrintf(kErrorLineFormat, entry.name, error);
                ++errorLines;
            }
        }
    }
    if (errors != nullptr) {
        *errors = errorLines;
    }
    return text;
}

std::string TimestampFileList(const std::vector<RenameEntry>& entries) {
    std::string text;
    for (const RenameEntry& entry : entries) {
        text += StringPrintf(kTimestampListLineFormat, entry.name);
    }
    return text;
}

ApplyCheck CheckBeforeApply(int page, RenameOptions& options,
                            const std::vector<RenameEntry>& entries, bool files,
                            Prompter& prompter) {
    switch (page) {
        case 1: {
            Page1Options& o = options.page1;
            if (o.mode == 1) {
                o.suffix = TrimTrailingSpace(o.suffix);
            } else {
                o.prefix = TrimLeadingSpace(o.prefix);
            }
            return ApplyCheck::kProceed;
        }
        case 2: {
            Page2Options& o = options.page2;
            o.numberField = TrimLeadingSpace(TrimTrailingSpace(o.numberField));
            if (o.mode == 1) {
                o.extension = TrimLeadingSpace(TrimTrailingSpace(o.extension));
                if (files && o.extension.empty()) {
                    ShowMessage(prompter, kExtensionEmptyText, mb::kOk | mb::kIconExclamation);
                    return ApplyCheck::kRefused;
                }
            } else {
                o.prefix = TrimLeadingSpace(o.prefix);
                if (!o.numberField.empty() &&
                    StartNumber(o.numberField) + (long long)entries.size() >= 1000) {
                    ShowMessage(prompter, kStartTooLargeText, mb::kOk | mb::kIconExclamation);
                    return ApplyCheck::kRefused;
                }
                return ApplyCheck::kProceed;
            }
            std::vector<std::string> extensions;
            std::unordered_set<std::string> bases;
            std::string conflicts;
            for (const RenameEntry& entry : entries) {
                const NameParts parts = SplitName(entry.name, entry.isFile);
                const std::string extension =
                    parts.extension.empty() ? std::string() : FoldAscii(parts.extension.substr(1));
                if (!extension.empty() && std::find(extensions.begin(), extensions.end(),
                                                    extension) == extensions.end()) {
                    extensions.push_back(extension);
                }
                if (!bases.insert(entry.folder + '/' + FoldAscii(parts.base)).second) {
                    conflicts += "\n" + entry.name;
                }
            }
            if (!conflicts.empty()) {
                ShowMessage(prompter, StringPrintf(kSameBaseConflictFormat, conflicts),
                            mb::kOk | mb::kIconStop);
                return ApplyCheck::kRefused;
            }
            if (extensions.size() > 1) {
                std::string joined;
                for (const std::string& extension : extensions) {
                    joined += (joined.empty() ? "" : "; ") + extension;
                }
                PromptRequest request;
                request.text = StringPrintf(kSeveralExtensionsFormat, joined);
                request.style = mb::kYesNo | mb::kIconQuestion;
                if (prompter.Ask(request) != mbr::kYes) {
                    return ApplyCheck::kDeclined;
                }
            }
            return ApplyCheck::kProceed;
        }
        case 3: {
            Page3Options& o = options.page3;
            std::string& text = o.mode == 0 ? o.lastText : o.firstText;
            text = o.mode == 0 ? TrimLeadingSpace(text) : TrimTrailingSpace(text);
            std::string& delimiter = o.mode == 0 ? o.lastDelimiter : o.firstDelimiter;
            if (delimiter.empty()) {
                delimiter = " ";
            }
            if (const size_t count = CountCharacters(delimiter); count > 1) {
                const std::string first = delimiter.substr(0, CharactersToBytes(delimiter, 1));
                PromptRequest request;
                request.text = StringPrintf(kDelimiterTooLongFormat, delimiter, int(count), first) +
                               "\n\n" + kDelimiterCancelHint;
                request.style = mb::kOkCancel | mb::kIconQuestion;
                if (prompter.Ask(request) != mbr::kOk) {
                    return ApplyCheck::kDeclined;
                }
                delimiter = first;
            }
            return ApplyCheck::kProceed;
        }
        case 4:
            if (options.page4.Old().empty()) {
                ShowMessage(prompter, kOldStringEmptyText, mb::kOk | mb::kIconExclamation);
                return ApplyCheck::kRefused;
            }
            return ApplyCheck::kProceed;
        case 5: {
            const std::string& p = options.page5.pattern;
            if (p.empty() || std::count(p.begin(), p.end(), '*') > 1) {
                ShowMessage(prompter, p.empty() ? kPatternEmptyText : kPatternStarsText,
                            mb::kOk | mb::kIconExclamation);
                return ApplyCheck::kRefused;
            }
            return ApplyCheck::kProceed;
        }
        case 6:
            return ApplyCheck::kProceed;
        default:
            return ApplyCheck::kRefused;
    }
}

std::string CleanNameField(std::string_view text, Prompter* prompter) {
    return StripIllegalNameChars(text, prompter != nullptr, prompter);
}

std::string CleanDelimiterField(std::string_view text, std::string_view previous,
                                Prompter* prompter) {
    if (CountCharacters(text) > 1) {
        if (prompter != nullptr) {
            ShowMessage(*prompter, kOneCharacterText, mb::kOk | mb::kIconExclamation);
        }
        return std::string(previous);
    }
    return CleanNameField(text, prompter);
}

std::string CleanNewPatternField(std::string_view pattern, std::string_view newPattern,
                                 Prompter* prompter) {
    std::string cleaned(newPattern);
    if (pattern.find('*') == std::string_view::npos && cleaned.find('*') != std::string::npos) {
        std::erase(cleaned, '*');
        if (prompter != nullptr) {
            ShowMessage(*prompter, kNewPatternStarText, mb::kOk | mb::kIconStop);
        }
    }
    return StripIllegalNameChars(cleaned, prompter != nullptr, prompter, "*");
}

int CleanIntervalField(int value, int previous, Prompter* prompter) {
    if (value >= 0 && value <= 500) {
        return value;
    }
    if (prompter != nullptr) {
        ShowMessage(*prompter, kIntervalRangeText, mb::kOk | mb::kIconExclamation);
    }
    return previous;
}

const char* OrdinalSuffix(int count) {
    switch (count) {
        case 1:
            return "st";
        case 2:
            return "nd";
        case 3:
            return "rd";
        default:
            return "th";
    }
}

}  // namespace quillon
