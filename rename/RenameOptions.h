// The remembered options of the six rename pages, kept in the MultiRenamePP section. Each page
// loads its options when it is built and saves them only on an OK that it carries out.
#pragma once

#include <string>

namespace quillon {

class SettingsStore;

inline constexpr int kRenamePageCount = 6;

// Page 1: prefix, suffix, numeric prefix added or removed.
struct Page1Options {
    int mode = 0;         // 0 prefix, 1 suffix, 2 add a numeric prefix, 3 remove a numeric prefix
    std::string prefix;   // the text of modes 0, 2 and 3
    std::string suffix;   // the text of mode 1
    int digitsIndex = 0;  // mode 2: digit count - 1 (0..8)
    int removeIndex = 0;  // mode 3: digit count - 1 (0..8)

    void Load(const SettingsStore& store);
    // The mode, then only the values of the current mode.
    void Save(SettingsStore& store) const;
};

// Page 2: running number with a prefix, or a new extension.
struct Page2Options {
    int mode = 0;  // 0 numbered names, 1 new extension
    std::string prefix;
    std::string extension;
    std::string numberField = "001";  // the starting number as typed; its width is the digit count

    void Load(const SettingsStore& store);
    // The mode, the number field and the text of the current mode.
    void Save(SettingsStore& store) const;
};

// Page 3: the part in front of the N-th last delimiter, or behind the N-th first, replaced.
struct Page3Options {
    int mode = 0;                      // 0 change the front part, 1 change the ending part
    std::string lastText;              // new text of mode 0
    int lastCount = 1;                 // N_last
    std::string lastDelimiter = "_";   // D_last, one character
    std::string firstText;             // new text of mode 1
    int firstCount = 1;                // N_first
    std::string firstDelimiter = "_";  // D_first, one character

    // A stored delimiter longer than one character is cut to its first character.
    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
};

// Page 4: the first, the last or every occurrence of a string in the base name replaced.
struct Page4Options {
    int mode = 0;  // 0 first occurrence, 1 last occurrence, 2 all occurrences (case counts)
    std::string firstOld, firstNew;
    std::string lastOld, lastNew;
    std::string allOld, allNew;

    const std::string& Old() const;  // the old string of the current mode
    const std::string& New() const;  // the new string of the current mode
    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
};

// Page 5: an existing pattern with at most one '*' rebuilt by a new pattern.
struct Page5Options {
    int mode = 0;               // 0 move to the front, 1 move to the end, 2 replace in place
    std::string pattern;        // P
    std::string newPattern[3];  // Q, remembered per mode

    const std::string& NewPattern() const { return newPattern[mode >= 0 && mode < 3 ? mode : 0]; }
    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
};

// A calendar date picked on page 6.
struct PickedDate {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
};

// Page 6: timestamps set to the current time. Only the mode is stored; the interval is one value
// for the whole run (0 at start) and the date is not remembered.
struct Page6Options {
    int mode = 0;        // 0 one moment for all, 1 a new moment per item
    int intervalMs = 0;  // 0..500, mode 1
    bool useDate = false;
    PickedDate date;

    void Load(const SettingsStore& store);
    void Save(SettingsStore& store) const;
};

// Every page's options and the page the wizard opens on.
struct RenameOptions {
    int lastPage = 0;  // 0..5
    Page1Options page1;
    Page2Options page2;
    Page3Options page3;
    Page4Options page4;
    Page5Options page5;
    Page6Options page6;

    // All pages and LastPP; a stored LastPP outside 0..5 reads as 0.
    void Load(const SettingsStore& store);
    // The options of `page` (1..6) and LastPP = page - 1: what an OK on that page stores.
    void SavePage(SettingsStore& store, int page) const;
};

// The stored LastPP as a page number 1..6 (anything outside 0..5 opens page 1).
int LoadLastPage(const SettingsStore& store);

}  // namespace quillon
