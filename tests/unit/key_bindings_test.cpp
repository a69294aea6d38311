// The key tables against --help, and rows that could never act.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ui/key_bindings.h"
#include "vxedit/command_line.h"

namespace vx {
namespace {

// The help's key sections by the mode they describe; "every" for the keys of every mode.
const std::map<std::string, std::string> sectionModes = {
    {"Keys in every mode (case-sensitive):", "every"},
    {"Rotate mode:", "rotate"},
    {"Camera mode:", "camera"},
    {"Vertices mode:", "vertices"},
    {"Vertices mode, the group (any number of vertices):", "vertices"},
    {"Polys mode:", "polys"},
    {"File mode:", "file"},
};

// The mouse's part of the help, which the key tables leave to the mode handlers.
const std::set<std::string> mouseGestures = {"left drag", "right drag",        "left click",     "right click",
                                             "wheel",     "Shift+right click", "Shift+left drag",
                                             "Shift+left click", "Shift+drags"};

std::string modeName(const KeyMode& mode) {
    if (!mode) return "every";
    switch (*mode) {
        case EditorMode::rotate: return "rotate";
        case EditorMode::vertices: return "vertices";
        case EditorMode::file: return "file";
        case EditorMode::camera: return "camera";
        case EditorMode::polys: return "polys";
    }
    return "";
}

struct HelpSections {
    std::map<std::string, std::string> text;                // all lines of a mode's sections
    std::map<std::string, std::vector<std::string>> named;  // what stands in their key columns
};

std::vector<std::string> splitOn(const std::string& line, const std::string& separator) {
    std::vector<std::string> parts;
    for (std::size_t at = 0;;) {
        const std::size_t end = line.find(separator, at);
        parts.push_back(line.substr(at, end - at));
        if (end == std::string::npos) return parts;
        at = line.find_first_not_of(' ', end + separator.size());
        if (at == std::string::npos) return parts;
    }
}

// One key-column entry: "o i O I" is four keys, "Ctrl+Y or Ctrl+Shift+Z" two, "arrow keys" one.
void addNames(const std::string& column, std::vector<std::string>& names) {
    if (mouseGestures.count(column) || column == "arrow keys") {
        names.push_back(column);
        return;
    }
    for (const std::string& word : splitOn(column, " "))
        if (word != "or") names.push_back(word);
}

// A key line is "  KEYS  what they do", possibly with more such pairs on it, or "  K does; K
// does." with no wide gaps, after which the section goes on in prose (the line editor's keys);
// a deeper indent continues the line before. False once the prose begins.
bool addKeyLine(const std::string& line, std::vector<std::string>& names) {
    const std::string body = line.substr(2);
    const std::vector<std::string> fields = splitOn(body, "  ");
    if (fields.size() > 1) {
        for (std::size_t i = 0; i < fields.size(); i += 2) addNames(fields[i], names);
        return true;
    }
    for (const std::string& item : splitOn(body.substr(0, body.find(". ")), "; "))
        names.push_back(item.substr(0, item.find(' ')));
    return false;
}

HelpSections readHelp() {
    HelpSections help;
    std::istringstream lines(helpText());
    std::string mode;
    bool prose = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != ' ') {
            const auto section = sectionModes.find(line);
            mode = section == sectionModes.end() ? "" : section->second;
            prose = false;
            continue;
        }
        if (mode.empty()) continue;
        help.text[mode] += line + "\n";
        const bool keyLine = line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ';
        if (keyLine && !prose) prose = !addKeyLine(line, help.named[mode]);
    }
    return help;
}

TEST(KeyTables, everyBoundKeyIsInTheHelpOfItsModeAndEveryKeyTheHelpNamesIsBound) {
    const HelpSections help = readHelp();
    ASSERT_EQ(help.text.size(), 6u) << "a key section of the help was not found";
    std::map<std::string, std::set<std::string>> bound;
    for (const auto& table : keyTables) {
        for (const KeyBinding& row : table) {
            if (!row.named) continue;
            const std::string mode = modeName(row.mode);
            bound[mode].insert(row.named);
            EXPECT_NE(help.text.at(mode).find(row.named), std::string::npos)
                << "the help of " << mode << " does not name " << row.named << " (" << row.does << ")";
        }
    }
    for (const auto& [mode, names] : help.named) {
        for (const std::string& name : names) {
            if (mouseGestures.count(name)) continue;
            EXPECT_TRUE(bound[mode].count(name)) << "the help of " << mode << " names " << name << ", bound to nothing";
        }
    }
}

// A row behind an earlier row of the same key that always acts could never act itself, and a
// table holds the rows of one mode only.
TEST(KeyTables, everyRowCanActAndBelongsToItsTablesMode) {
    for (const auto& table : keyTables) {
        ASSERT_FALSE(table.empty());
        std::set<Key> alwaysTaken;
        for (const KeyBinding& row : table) {
            EXPECT_FALSE(row.key.empty());
            EXPECT_NE(row.action, nullptr);
            EXPECT_EQ(row.mode, table.front().mode) << row.does;
            EXPECT_FALSE(alwaysTaken.count(row.key)) << "unreachable: " << row.does;
            if (!row.when) alwaysTaken.insert(row.key);
        }
    }
}

}  // namespace
}  // namespace vx
