// Lists a compound file with libgsf and copies out every stream, in one
// process: the interoperability tests' second independent reader.
//
// usage: gsf_extract FILE OUTDIR
//
// Writes OUTDIR/listing.txt in the format of olefile_extract.py, without its
// format line: one element a line, tab-separated,
//     storage 0       <path>
//     stream  <size>  <path>  <content file name>
// paths UTF-8 with "/" between names. An element is a storage when libgsf
// opens it as one that can have children (an empty storage included), so
// the listing names the same tree as olefile's. Exit 0 when every stream was
// read whole, 1 with a message on stderr otherwise.
//
// Built on libgsf alone, never on our storage code: a fault of our reader
// must not hide behind the same fault here.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Drops one reference of a libgsf object at scope end.
template <typename T>
class GsfRef {
public:
    explicit GsfRef(T* object) : object_(object) {}
    ~GsfRef() {
        if (object_ != nullptr) g_object_unref(object_);
    }
    GsfRef(const GsfRef&) = delete;
    GsfRef& operator=(const GsfRef&) = delete;
    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T* object_;
};

bool Fail(const std::string& message) {
    std::cerr << "gsf_extract: " << message << "\n";
    return false;
}

class Extractor {
public:
    explicit Extractor(fs::path outdir) : outdir_(std::move(outdir)) {}

    // Lists every element below `storage` and writes out its streams.
    bool Walk(GsfInfile* storage, const std::string& prefix) {
        const int count = gsf_infile_num_children(storage);
        for (int index = 0; index < count; ++index) {
            const char* name = gsf_infile_name_by_index(storage, index);
            GsfRef<GsfInput> child(gsf_infile_child_by_index(storage, index));
            if (name == nullptr || !child)
                return Fail("cannot open element " + std::to_string(index) + " of /" + prefix);
            const std::string path = prefix + name;
            // libgsf answers -1 children for a stream, 0 or more for a storage.
            if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
                listing_ += "storage\t0\t" + path + "\n";
                if (!Walk(GSF_INFILE(child.get()), path + "/")) return false;
            } else if (!CopyStream(child.get(), path)) {
                return false;
            }
        }
        return true;
    }

    bool WriteListing() const {
        std::ofstream out(outdir_ / "listing.txt", std::ios::binary | std::ios::trunc);
        out << listing_;
        out.close();
        return out.good() || Fail("cannot write " + (outdir_ / "listing.txt").string());
    }

private:
    // Reads the stream whole through libgsf, in pieces, into its content file.
    bool CopyStream(GsfInput* stream, const std::string& path) {
        const gsf_off_t size = gsf_input_size(stream);
        const std::string content = std::to_string(streams_++) + ".bin";
        std::ofstream out(outdir_ / content, std::ios::binary | std::ios::trunc);
        guint8 buffer[65536];
        gsf_off_t copied = 0;
        while (copied < size) {
            const size_t piece = static_cast<size_t>(std::min<gsf_off_t>(size - copied, sizeof buffer));
            if (gsf_input_read(stream, piece, buffer) == nullptr)
                return Fail(path + ": read " + std::to_string(copied) + " bytes of " + std::to_string(size));
            out.write(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(piece));
            copied += static_cast<gsf_off_t>(piece);
        }
        out.close();
        if (!out.good()) return Fail("cannot write " + (outdir_ / content).string());
        listing_ += "stream\t" + std::to_string(size) + "\t" + path + "\t" + content + "\n";
        return true;
    }

    fs::path outdir_;
    std::string listing_;
    int streams_ = 0;
};

int Extract(const char* file, const fs::path& outdir) {
    GError* error = nullptr;
    GsfRef<GsfInput> input(gsf_input_stdio_new(file, &error));
    if (!input) {
        Fail(std::string("cannot open ") + file + ": " + (error != nullptr ? error->message : "?"));
        g_clear_error(&error);
        return 1;
    }
    GsfRef<GsfInfile> root(gsf_infile_msole_new(input.get(), &error));
    if (!root) {
        Fail(std::string("not a compound file libgsf reads: ") + file + ": " +
             (error != nullptr ? error->message : "?"));
        g_clear_error(&error);
        return 1;
    }
    std::error_code ec;
    fs::create_directories(outdir, ec);
    if (ec) {
        Fail("cannot make " + outdir.string() + ": " + ec.message());
        return 1;
    }
    Extractor extractor(outdir);
    return extractor.Walk(root.get(), "") && extractor.WriteListing() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: gsf_extract FILE OUTDIR\n";
        return 2;
    }
    gsf_init();
    const int result = Extract(argv[1], argv[2]);
    gsf_shutdown();
    return result;
}
