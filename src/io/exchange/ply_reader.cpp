// Our own PLY reader: text and binary of either byte order; the vertex, face and edge elements
// with their colours, every other element and property skipped by its declared type. Read in one
// pass over the bytes, with every count checked against the bytes left before anything is kept.
#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "io/exchange/flag_notes.h"
#include "io/exchange/readers.h"
#include "io/exchange/writers.h"

namespace vx {
namespace {

enum class PlyType : uint8_t { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

struct PlyProperty {
    std::string name;
    PlyType type;  // of the value, or of a list's items
    bool list;
    PlyType countType;  // of a list's length
};

struct PlyElement {
    std::string name;
    uint64_t count;
    std::vector<PlyProperty> properties;
};

enum class PlyEncoding : uint8_t { ascii, littleEndian, bigEndian };

struct PlyHeader {
    PlyEncoding encoding = PlyEncoding::ascii;
    std::vector<PlyElement> elements;
    bool writtenByVxtool = false;
    std::vector<std::string> comments;  // the text after "comment "
    std::size_t bodyStart = 0;
};

std::size_t sizeOf(PlyType type) {
    constexpr std::size_t sizes[] = {1, 1, 2, 2, 4, 4, 4, 8};
    return sizes[static_cast<std::size_t>(type)];
}

bool typeNamed(std::string_view name, PlyType& type) {
    struct Named {
        std::string_view name;
        PlyType type;
    };
    static constexpr Named names[] = {
        {"char", PlyType::int8},      {"int8", PlyType::int8},       {"uchar", PlyType::uint8},
        {"uint8", PlyType::uint8},    {"short", PlyType::int16},     {"int16", PlyType::int16},
        {"ushort", PlyType::uint16},  {"uint16", PlyType::uint16},   {"int", PlyType::int32},
        {"int32", PlyType::int32},    {"uint", PlyType::uint32},     {"uint32", PlyType::uint32},
        {"float", PlyType::float32},  {"float32", PlyType::float32}, {"double", PlyType::float64},
        {"float64", PlyType::float64}};
    for (const Named& n : names)
        if (n.name == name) {
            type = n.type;
            return true;
        }
    return false;
}

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

bool parseCount(std::string_view word, uint64_t& count) {
    const auto [end, failure] = std::from_chars(word.data(), word.data() + word.size(), count);
    return failure == std::errc() && end == word.data() + word.size();
}

bool addProperty(const std::vector<std::string_view>& w, PlyHeader& header) {
    if (header.elements.empty()) return false;
    PlyProperty property{};
    property.list = w.size() == 5 && w[1] == "list";
    if (property.list) {
        if (!typeNamed(w[2], property.countType) || !typeNamed(w[3], property.type)) return false;
    } else if (w.size() != 3 || !typeNamed(w[1], property.type)) {
        return false;
    }
    property.name = std::string(w.back());
    header.elements.back().properties.push_back(std::move(property));
    return true;
}

bool addFormat(const std::vector<std::string_view>& w, PlyHeader& header) {
    if (w.size() != 3) return false;
    if (w[1] == "ascii")
        header.encoding = PlyEncoding::ascii;
    else if (w[1] == "binary_little_endian")
        header.encoding = PlyEncoding::littleEndian;
    else if (w[1] == "binary_big_endian")
        header.encoding = PlyEncoding::bigEndian;
    else
        return false;
    return true;
}

// One header line; false when it is not one PLY knows.
bool takeHeaderLine(std::string_view line, PlyHeader& header) {
    const std::vector<std::string_view> w = wordsOf(line);
    if (w.empty()) return true;
    if (w[0] == "comment" || w[0] == "obj_info") {
        if (line == plyModelMark) header.writtenByVxtool = true;
        if (line.starts_with("comment ")) header.comments.emplace_back(line.substr(8));
        return true;
    }
    if (w[0] == "format") return addFormat(w, header);
    if (w[0] == "property") return addProperty(w, header);
    if (w[0] != "element" || w.size() != 3) return false;
    PlyElement element{std::string(w[1]), 0, {}};
    if (!parseCount(w[2], element.count)) return false;
    header.elements.push_back(std::move(element));
    return true;
}

bool readHeader(std::string_view bytes, PlyHeader& header, std::string& error) {
    std::size_t at = 0;
    // Lines end in "\n", "\r\n" or a lone "\r", as the systems that wrote them do.
    for (bool first = true;; first = false) {
        const std::size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            error = "the PLY header has no end_header line";
            return false;
        }
        const std::string_view line = bytes.substr(at, end - at);
        at = end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1);
        if (first && line != "ply") {
            error = "not a PLY file";
            return false;
        }
        if (line == "end_header") break;
        if (!first && !takeHeaderLine(line, header)) {
            std::string shown(line.substr(0, 60));
            for (char& c : shown)
                if (!std::isprint(static_cast<unsigned char>(c))) c = '?';
            error = "the PLY header has a line it should not: " + shown;
            return false;
        }
    }
    header.bodyStart = at;
    return true;
}

// A list length or a vertex number: a whole number, not negative, within 32 bits.
bool wholeIndex(double value, uint32_t& index) {
    if (!(value >= 0.0) || value > 4294967295.0 || value != std::floor(value)) return false;
    index = static_cast<uint32_t>(value);
    return true;
}

// The values of the body one by one, as the header's types say, in either encoding.
class PlyBody {
public:
    PlyBody(std::string_view bytes, std::size_t start, PlyEncoding encoding)
        : bytes_(bytes), at_(start), encoding_(encoding) {}

    std::size_t left() const { return bytes_.size() - at_; }
    bool ascii() const { return encoding_ == PlyEncoding::ascii; }

    bool read(PlyType type, double& value) { return ascii() ? readWord(value) : readBinary(type, value); }

    bool readIndex(PlyType type, uint32_t& index) {
        double value = 0;
        return read(type, value) && wholeIndex(value, index);
    }

private:
    bool readWord(double& value) {
        while (at_ < bytes_.size() && std::string_view(" \t\r\n").find(bytes_[at_]) != std::string_view::npos) ++at_;
        std::size_t end = at_;
        while (end < bytes_.size() && std::string_view(" \t\r\n").find(bytes_[end]) == std::string_view::npos) ++end;
        const auto [stop, failure] = std::from_chars(bytes_.data() + at_, bytes_.data() + end, value);
        const bool whole = failure == std::errc() && stop == bytes_.data() + end && end > at_;
        at_ = end;
        return whole;
    }

    uint64_t field(std::size_t size) {
        uint64_t bits = 0;
        for (std::size_t k = 0; k < size; ++k) {
            const std::size_t shift = encoding_ == PlyEncoding::littleEndian ? k : size - 1 - k;
            bits |= static_cast<uint64_t>(static_cast<uint8_t>(bytes_[at_ + k])) << (8 * shift);
        }
        at_ += size;
        return bits;
    }

    bool readBinary(PlyType type, double& value) {
        const std::size_t size = sizeOf(type);
        if (left() < size) return false;
        const uint64_t bits = field(size);
        switch (type) {
            case PlyType::int8:
                value = static_cast<int8_t>(bits);
                break;
            case PlyType::int16:
                value = static_cast<int16_t>(bits);
                break;
            case PlyType::int32:
                value = static_cast<int32_t>(bits);
                break;
            case PlyType::float32:
                value = std::bit_cast<float>(static_cast<uint32_t>(bits));
                break;
            case PlyType::float64:
                value = std::bit_cast<double>(bits);
                break;
            default:
                value = static_cast<double>(bits);
                break;
        }
        return true;
    }

    std::string_view bytes_;
    std::size_t at_;
    PlyEncoding encoding_;
};

// The fewest bytes one value can take: a digit and a separator as text.
std::size_t leastBytes(const PlyBody& body, PlyType type) { return body.ascii() ? 2 : sizeOf(type); }

std::size_t leastRecordBytes(const PlyBody& body, const PlyElement& element) {
    std::size_t bytes = 0;
    for (const PlyProperty& p : element.properties) bytes += leastBytes(body, p.list ? p.countType : p.type);
    return bytes;
}

// What one record of an element held: its plain values by property, and its one index list.
struct PlyRecord {
    std::vector<double> values;
    std::vector<uint32_t> indices;
};

// A strip's list may hold -1, which ends one strip and starts the next: it is kept as restart.
constexpr uint32_t restart = UINT32_MAX;

bool readListIndex(PlyBody& body, PlyType type, bool restarts, uint32_t& index) {
    double value = 0;
    if (!body.read(type, value)) return false;
    if (restarts && value == -1.0) {
        index = restart;
        return true;
    }
    return wholeIndex(value, index) && index != restart;
}

bool readRecord(PlyBody& body, const PlyElement& element, const PlyProperty* indexList, bool restarts,
                PlyRecord& record) {
    record.indices.clear();
    for (std::size_t p = 0; p < element.properties.size(); ++p) {
        const PlyProperty& property = element.properties[p];
        if (!property.list) {
            if (!body.read(property.type, record.values[p])) return false;
            continue;
        }
        uint32_t length = 0;
        if (!body.readIndex(property.countType, length) || length > body.left() / leastBytes(body, property.type) + 1)
            return false;
        for (uint32_t k = 0; k < length; ++k) {
            uint32_t index = 0;
            if (&property == indexList) {
                if (!readListIndex(body, property.type, restarts, index)) return false;
                record.indices.push_back(index);
            } else {
                double skipped = 0;
                if (!body.read(property.type, skipped)) return false;
            }
        }
    }
    return true;
}

int propertyNamed(const PlyElement& element, std::string_view name, bool list) {
    for (std::size_t p = 0; p < element.properties.size(); ++p)
        if (element.properties[p].name == name && element.properties[p].list == list) return static_cast<int>(p);
    return -1;
}

// Where the parts of the model sit in an element's records: -1 for a part it does not have.
struct Roles {
    int x = -1, y = -1, z = -1;
    int corners = -1;
    bool strips = false;  // the corners are triangle strips
    int ends[2] = {-1, -1};
    int rgb[3] = {-1, -1, -1};  // red, green, blue of a vertex or a face
    double rgbScale = 1.0;      // to 0..255: whole-number channels are bytes, fractions 0..1
};

void colourRoles(const PlyElement& e, Roles& r) {
    const char* names[] = {"red", "green", "blue"};
    for (int k = 0; k < 3; ++k) r.rgb[k] = propertyNamed(e, names[k], false);
    if (r.rgb[0] < 0 || r.rgb[1] < 0 || r.rgb[2] < 0) {
        r.rgb[0] = -1;
        return;
    }
    const PlyType type = e.properties[static_cast<std::size_t>(r.rgb[0])].type;
    r.rgbScale = type == PlyType::float32 || type == PlyType::float64 ? 255.0
                 : type == PlyType::uint16 || type == PlyType::int16  ? 255.0 / 65535.0
                                                                      : 1.0;
}

Roles rolesOf(const PlyElement& e) {
    Roles r;
    if (e.name == "vertex") {
        r.x = propertyNamed(e, "x", false);
        r.y = propertyNamed(e, "y", false);
        r.z = propertyNamed(e, "z", false);
        colourRoles(e, r);
    } else if (e.name == "face") {
        r.corners = propertyNamed(e, "vertex_indices", true);
        if (r.corners < 0) r.corners = propertyNamed(e, "vertex_index", true);
        colourRoles(e, r);
    } else if (e.name == "tristrips") {
        r.corners = propertyNamed(e, "vertex_indices", true);
        r.strips = true;
    } else if (e.name == "edge") {
        r.ends[0] = propertyNamed(e, "vertex1", false);
        r.ends[1] = propertyNamed(e, "vertex2", false);
    }
    return r;
}

using Rgb = std::array<double, 3>;  // 0..255 each

// The colour of a record, channels clamped; false when the element has none.
bool colourOfRecord(const Roles& r, const PlyRecord& record, Rgb& rgb) {
    if (r.rgb[0] < 0) return false;
    for (int k = 0; k < 3; ++k) {
        const double c = record.values[static_cast<std::size_t>(r.rgb[k])] * r.rgbScale;
        rgb[static_cast<std::size_t>(k)] = std::isfinite(c) ? std::clamp(c, 0.0, 255.0) : 0.0;
    }
    return true;
}

int32_t packed(const Rgb& rgb) {
    return static_cast<int32_t>(std::lround(rgb[0])) << 16 | static_cast<int32_t>(std::lround(rgb[1])) << 8 |
           static_cast<int32_t>(std::lround(rgb[2]));
}

// What the vertex records paint, for faces that have no colour of their own.
struct PointColours {
    std::vector<Rgb> rgb;
    bool given = false;
};

// A strip's triangles turn alternately; each is written in the first one's turning order. -1
// ends a strip and starts the next.
void addStrips(const std::vector<uint32_t>& strip, ExchangeMesh& mesh) {
    std::size_t start = 0;
    for (std::size_t k = 0; k < strip.size(); ++k) {
        if (strip[k] == restart) {
            start = k + 1;
            continue;
        }
        if (k < start + 2) continue;
        const uint32_t a = strip[k - 2], b = strip[k - 1], c = strip[k];
        if (a == b || b == c || a == c) continue;  // a strip's joins repeat corners: no area
        mesh.faces.push_back({(k - start) % 2 ? std::vector<uint32_t>{b, a, c} : std::vector<uint32_t>{a, b, c}, 0});
    }
}

// A face of two corners is a line; fewer is nothing a model holds. False for an edge end that
// is not a vertex number.
bool keepRecord(const Roles& r, const PlyRecord& record, ExchangeMesh& mesh, PointColours& points) {
    const auto& v = record.values;
    Rgb rgb{};
    const bool coloured = colourOfRecord(r, record, rgb);
    if (r.x >= 0 && r.y >= 0 && r.z >= 0) {
        mesh.points.push_back(
            {v[static_cast<std::size_t>(r.x)], v[static_cast<std::size_t>(r.y)], v[static_cast<std::size_t>(r.z)]});
        points.rgb.push_back(rgb);
        points.given = points.given || coloured;
    } else if (r.strips) {
        addStrips(record.indices, mesh);
    } else if (r.corners >= 0 && record.indices.size() >= 3) {
        mesh.faces.push_back({record.indices, 0, coloured ? packed(rgb) : noColour});
    } else if (r.corners >= 0 && record.indices.size() == 2) {
        mesh.lines.push_back({record.indices[0], record.indices[1]});
    } else if (r.ends[0] >= 0 && r.ends[1] >= 0) {
        uint32_t a = 0, b = 0;
        if (!wholeIndex(v[static_cast<std::size_t>(r.ends[0])], a) ||
            !wholeIndex(v[static_cast<std::size_t>(r.ends[1])], b))
            return false;
        mesh.lines.push_back({a, b});
    }
    return true;
}

bool readElement(PlyBody& body, const PlyElement& element, ExchangeMesh& mesh, PointColours& points,
                 std::string& error) {
    if (element.properties.empty()) return true;  // nothing to read however many it claims
    const std::size_t least = leastRecordBytes(body, element);
    if (element.count > (body.left() + 1) / least) {
        error = "the PLY header counts more " + element.name + " records than the file holds";
        return false;
    }
    const Roles roles = rolesOf(element);
    const PlyProperty* indexList =
        roles.corners >= 0 ? &element.properties[static_cast<std::size_t>(roles.corners)] : nullptr;
    PlyRecord record{std::vector<double>(element.properties.size()), {}};
    for (uint64_t i = 0; i < element.count; ++i) {
        if (!readRecord(body, element, indexList, roles.strips, record) || !keepRecord(roles, record, mesh, points)) {
            error = "the PLY " + element.name + " records end early or hold something that is not a number";
            return false;
        }
    }
    return true;
}

// A vertex element's normals and texture coordinates, by the names programs give them.
void countLeftOut(const PlyHeader& header, LeftOut& left) {
    for (const PlyElement& e : header.elements) {
        if (e.name != "vertex") continue;
        if (propertyNamed(e, "nx", false) >= 0) left.normals += e.count;
        if (propertyNamed(e, "u", false) >= 0 || propertyNamed(e, "s", false) >= 0 ||
            propertyNamed(e, "texture_u", false) >= 0)
            left.textureCoordinates += e.count;
    }
}

bool checkMesh(const ExchangeMesh& mesh, std::string& error) {
    for (std::size_t i = 0; i < mesh.points.size(); ++i) {
        const auto& p = mesh.points[i];
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            error = "vertex " + std::to_string(i) + " (counted from 0): a coordinate is not a finite number";
            return false;
        }
    }
    const std::size_t points = mesh.points.size();
    for (const ExchangeFace& f : mesh.faces)
        for (uint32_t c : f.corners)
            if (c >= points) {
                error = "a face names a vertex the file does not have";
                return false;
            }
    for (const auto& l : mesh.lines)
        if (l[0] >= points || l[1] >= points) {
            error = "an edge names a vertex the file does not have";
            return false;
        }
    return true;
}

// A face without a colour of its own takes the mean of its corners' (after checkMesh).
void paintFromPoints(const PointColours& points, ExchangeMesh& mesh) {
    if (!points.given) return;
    for (ExchangeFace& f : mesh.faces) {
        if (f.colour != noColour) continue;
        Rgb sum{};
        for (uint32_t c : f.corners)
            for (std::size_t k = 0; k < 3; ++k) sum[k] += points.rgb[c][k];
        for (double& k : sum) k /= static_cast<double>(f.corners.size());
        f.colour = packed(sum);
    }
}

}  // namespace

bool readPlyMesh(const MeshSource& source, ExchangeMesh& mesh, std::string& error) {
    const std::string_view bytes(reinterpret_cast<const char*>(source.data), source.size);
    PlyHeader header;
    if (!readHeader(bytes, header, error)) return false;
    PlyBody body(bytes, header.bodyStart, header.encoding);
    PointColours points;
    for (const PlyElement& element : header.elements) {
        const Roles roles = rolesOf(element);
        if (element.name == "vertex" && (roles.x < 0 || roles.y < 0 || roles.z < 0)) {
            error = "the PLY vertex element has no x, y and z";
            return false;
        }
        if (!readElement(body, element, mesh, points, error)) return false;
    }
    if (!checkMesh(mesh, error)) return false;
    paintFromPoints(points, mesh);
    for (const std::string& comment : header.comments) applyFlagNote(comment, mesh);
    countLeftOut(header, mesh.leftOut);
    mesh.filesOwnVertices = true;
    mesh.editorUnits = header.writtenByVxtool;
    return true;
}

}  // namespace vx
