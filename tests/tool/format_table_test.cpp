// The format table against the lists still written by hand: the help texts, the menu entry's file
// types and the MIME package, so that a format added to the table cannot be left out of them.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "io/exchange/formats.h"
#include "io/exchange/recognition.h"
#include "vxedit/command_line.h"
#include "vxtool/commands.h"

namespace {

using namespace vx;
using Words = std::set<std::string>;

// The pieces of text between any of the separators (the first that fits wins), empty pieces dropped.
Words piecesOf(std::string_view text, const std::vector<std::string_view>& separators) {
    Words words;
    std::string piece;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t skip = 0;
        for (std::string_view separator : separators)
            if (skip == 0 && text.substr(at).starts_with(separator)) skip = separator.size();
        if (skip == 0) piece += text[at++];
        if (skip == 0 && at < text.size()) continue;
        if (!piece.empty()) words.insert(piece);
        piece.clear();
        at += skip;
    }
    return words;
}

std::string dataFile(const std::string& name) {
    std::ifstream in(std::string(VX_SOURCE_DIR) + "/data/" + name);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every value of the attribute in the part of the text, in the file's own escapes undone.
Words attributeValues(std::string_view text, const std::string& tag, const std::string& attribute) {
    Words values;
    const std::string opening = "<" + tag + " ";
    for (std::size_t at = text.find(opening); at != text.npos; at = text.find(opening, at + 1)) {
        const std::size_t start = text.find(attribute + "=\"", at) + attribute.size() + 2;
        const std::string_view raw = text.substr(start, text.find('"', start) - start);
        std::string value;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const bool escape = raw[i] == '\\' && i + 1 < raw.size();
            value += !escape ? raw[i] : raw[++i] == 'n' ? '\n' : raw[i] == 'r' ? '\r' : raw[i];
        }
        values.insert(value);
    }
    return values;
}

Words extensionsOf(const FormatRow& row) { return piecesOf(std::string(row.extensions), {", "}); }

TEST(FormatTable, theHelpTextsNameEveryFormatTheTableReadsOrWrites) {
    Words read, written;
    for (const FormatRow& row : modelFormats()) {
        if (row.reader != nullptr && row.format != ModelFormat::importer) read.insert(std::string(row.name));
        if (row.writer != nullptr || row.format == ModelFormat::vx) written.merge(extensionsOf(row));
    }
    const std::string help = commandLineHelp();
    const std::size_t open = help.find("A model of another format (") + 27;
    EXPECT_EQ(piecesOf(help.substr(open, help.find(')', open) - open), {", ", "/"}), read);
    EXPECT_EQ(piecesOf(tool::writtenFormats, {", ", " or "}), written);
    EXPECT_EQ(piecesOf(tool::writtenExtensions, {", .", " or .", "."}), written);
}

TEST(FormatTable, theMenuEntryOffersEveryTypeOfTheTableAndNoOther) {
    Words types;
    for (const FormatRow& row : modelFormats())
        if (!row.mimeType.empty()) types.insert(std::string(row.mimeType));
    const std::string entry = dataFile("vxedit.desktop");
    const std::size_t key = entry.find("\nMimeType=");
    ASSERT_NE(key, std::string::npos);
    const std::size_t line = key + 10;
    EXPECT_EQ(piecesOf(entry.substr(line, entry.find('\n', line) - line), {";"}), types);
}

// The types the shared database lacks are defined in the package, each by the table's names and
// first bytes; a format known only by a weaker sign of content has no magic there.
TEST(FormatTable, theMimePackageDefinesTheTablesOwnTypesByItsExtensionsAndFirstBytes) {
    const std::string package = dataFile("vxedit.xml");
    Words defined;
    for (std::size_t at = package.find("<mime-type "); at != package.npos; at = package.find("<mime-type ", at + 1)) {
        const std::string_view block = std::string_view(package).substr(at, package.find("</mime-type>", at) - at);
        const std::string type = *attributeValues(block, "mime-type", "type").begin();
        defined.insert(type);
        const FormatRow* row = nullptr;
        for (const FormatRow& r : modelFormats())
            if (r.mimeType == type) row = &r;
        ASSERT_NE(row, nullptr) << type << " is in the package but not in the table";
        Words globs, magic;
        for (const std::string& extension : extensionsOf(*row)) globs.insert("*." + extension);
        for (std::string_view mark : row->firstBytes)
            if (!mark.empty()) magic.insert(std::string(mark));
        EXPECT_EQ(attributeValues(block, "glob", "pattern"), globs) << type;
        EXPECT_EQ(attributeValues(block, "match", "value"), magic) << type;
    }
    Words own;
    for (const FormatRow& row : modelFormats())
        if (row.mimeDefinedHere) own.insert(std::string(row.mimeType));
    EXPECT_EQ(defined, own);
}

// A binary STL is known by its size alone, which a text file can match by chance: the size then
// wins over the look of other formats, unless the name is one of them.
TEST(FormatTable, aBinaryStlSizeOutranksOtherContentUnlessTheNameSaysOtherwise) {
    std::string text = "v 1 2 3\n#";
    text.resize(80, '-');
    text += std::string("\x01\0\0\0", 4);  // one triangle: 134 bytes in all
    text.resize(133, '-');
    text += '\n';
    EXPECT_EQ(recognizeModel(text, text.size(), ""), ModelFormat::stl);
    EXPECT_EQ(recognizeModel(text, text.size(), "obj"), ModelFormat::obj);
    EXPECT_EQ(recognizeModel(text, text.size() + 1, ""), ModelFormat::obj);
}

}  // namespace
