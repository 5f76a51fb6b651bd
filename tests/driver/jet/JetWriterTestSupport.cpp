#include "JetWriterTestSupport.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace kervane::test {

WorkCopy::WorkCopy(const std::string& source)
{
    std::string model = (std::filesystem::temp_directory_path() / "kervane-jet-XXXXXX").string();
    if (::mkdtemp(model.data()) == nullptr)
        ADD_FAILURE() << "dossier temporaire impossible";
    m_folder = model;
    m_path = m_folder + "/base.mdb";
    std::filesystem::copy_file(source, m_path);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

WorkCopy::~WorkCopy()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

std::vector<unsigned char> pattern(std::size_t size, std::uint32_t page, std::uint32_t change)
{
    std::vector<unsigned char> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>((page * 31u + change * 7u + i) & 0xffu);
    return bytes;
}

void putPage(std::vector<unsigned char>& file, std::uint32_t page, const std::vector<unsigned char>& bytes)
{
    const std::size_t offset = std::size_t(page) * bytes.size();
    if (file.size() < offset + bytes.size())
        file.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(offset));
}

bool fileExists(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
}

std::string jetcheckPath()
{
    const char* chosen = std::getenv("KERVANE_JETGEN");
    const std::filesystem::path jetgen = chosen != nullptr ? chosen : KERVANE_JETGEN;
    const std::filesystem::path jetcheck = jetgen.parent_path() / "jetcheck";
    if (!std::filesystem::exists(jetcheck) || QStandardPaths::findExecutable("java").isEmpty())
        return {};
    return jetcheck.string();
}

std::string jetcheckVerify(const std::string& file)
{
    struct PipeCloser {
        void operator()(FILE* pipe) const { ::pclose(pipe); }
    };
    const std::string command = "'" + jetcheckPath() + "' verify '" + file + "' 2>&1";
    const std::unique_ptr<FILE, PipeCloser> pipe(::popen(command.c_str(), "r"));
    std::string output;
    std::array<char, 4096> chunk{};
    while (pipe && std::fgets(chunk.data(), int(chunk.size()), pipe.get()) != nullptr)
        output += chunk.data();
    return output;
}

}  // namespace kervane::test
