// embed_tables: the build-time compiler of the reference tables. For each table file it builds
// the ZelcoraBzip2 container of the file's bytes, encodes it as Base64 and writes a C++ source
// that defines one global StringBuffer per table (empty until filled) and one function that fills
// it by appending the Base64 text in pieces of at most 80 characters, in order. The names come
// from the file name: data/stop_words.txt gives g_embeddedStopWords and fillEmbeddedStopWords,
// which app/embedded_tables.h declares.
//
// Usage: embed_tables OUTPUT.cpp TABLE_FILE...
// The output is written to a temporary file first and renamed, so an interrupted run never
// leaves a half-written source behind.

#include "base/content_coding.h"
#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "base/zelcora_bzip2.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {

constexpr int kPieceLength = 80;

// "dir/stop_words.txt" -> "StopWords".
std::string identifierOf(const std::string& path) {
    std::string stem = path.substr(path.find_last_of('/') + 1);
    stem = stem.substr(0, stem.find('.'));
    std::string id;
    bool upper = true;
    for (char c : stem) {
        if (c == '_' || c == '-') {
            upper = true;
            continue;
        }
        id += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return id;
}

// The Base64 text of the container of the file at `path`; false when it cannot be read or packed.
bool encodeTable(const char* path, StringBuffer& base64) {
    DataBuffer text;
    if (!text.loadFile(path)) {
        std::fprintf(stderr, "embed_tables: cannot read %s\n", path);
        return false;
    }
    DataBuffer container;
    ZelcoraBzip2 codec;
    if (!codec.Compress(text, container)) {
        std::fprintf(stderr, "embed_tables: cannot compress %s\n", path);
        return false;
    }
    ContentCoding coding;
    return coding.encodeBase64(container.getData(), container.getSize(), base64);
}

// Appends the global and the filling function of one table to `source`.
void emitTable(const std::string& id, const StringBuffer& base64, std::string& source) {
    const std::string global = "g_embedded" + id;
    source += "\nStringBuffer " + global + ";\n\n";
    source += "void fillEmbedded" + id + "() {\n";
    source += "    " + global + ".clear();\n";
    const std::string text(base64.getString(), static_cast<size_t>(base64.getSize()));
    for (size_t at = 0; at < text.size(); at += kPieceLength)
        source += "    " + global + ".append(\"" + text.substr(at, kPieceLength) + "\");\n";
    source += "}\n";
}

bool writeFile(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".tmp";
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "embed_tables: cannot create %s\n", temporary.c_str());
        return false;
    }
    bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "embed_tables: cannot write %s\n", path.c_str());
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: embed_tables OUTPUT.cpp TABLE_FILE...\n");
        return 2;
    }
    std::string source =
        "// Generated at build time by tools/embed_tables from the reference table files. Do not "
        "edit.\n#include \"app/embedded_tables.h\"\n";
    for (int i = 2; i < argc; ++i) {
        StringBuffer base64;
        if (!encodeTable(argv[i], base64))
            return 1;
        emitTable(identifierOf(argv[i]), base64, source);
    }
    return writeFile(argv[1], source) ? 0 : 1;
}
