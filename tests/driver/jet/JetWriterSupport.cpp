#include "JetWriterSupport.h"

#include "JetTestSupport.h"

#include "driver/jet/file/JetFile.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace kervane::test {

const unsigned char* MemoryPages::read(std::uint32_t page)
{
    return page < pageCount() ? m_bytes.data() + std::size_t{page} * m_pageSize : nullptr;
}

unsigned char* MemoryPages::change(std::uint32_t page)
{
    if (page >= pageCount())
        return nullptr;
    m_changed.insert(page);
    return m_bytes.data() + std::size_t{page} * m_pageSize;
}

std::uint32_t MemoryPages::append()
{
    if (m_refuseAppends)
        return 0;
    const std::uint32_t page = pageCount();
    m_bytes.resize(m_bytes.size() + m_pageSize, 0);
    m_changed.insert(page);
    return page;
}

namespace {

std::filesystem::path jetgen()
{
    const char* chosen = std::getenv("KERVANE_JETGEN");
    return chosen != nullptr ? chosen : KERVANE_JETGEN;
}

}  // namespace

std::string jetToolsFolder()
{
    const std::filesystem::path folder = jetgen().parent_path();
    return std::filesystem::exists(folder / "jackcess-4.0.10.jar") ? folder.string() : std::string();
}

bool haveProgram(const std::string& name)
{
    return !QStandardPaths::findExecutable(QString::fromStdString(name)).isEmpty();
}

std::string runTool(const std::string& program, const std::vector<std::string>& arguments, int& status)
{
    QProcess process;
    QStringList list;
    for (const auto& a : arguments)
        list << QString::fromStdString(a);
    process.start(QString::fromStdString(program), list);
    if (!process.waitForFinished(180000)) {
        status = -1;
        return {};
    }
    status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput().toStdString();
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    return out;
}

std::optional<std::string> runJackcessFixture(const std::string& fixture, const std::string& argument,
                                              std::string& why)
{
    const std::string tools = jetToolsFolder();
    const std::string lang = "/usr/share/java/commons-lang3.jar";
    const std::string logging = "/usr/share/java/commons-logging.jar";
    if (tools.empty() || !haveProgram("java") || !std::filesystem::exists(lang) || !std::filesystem::exists(logging)) {
        why = "Java, Jackcess ou ses bibliothèques sont absents : le fichier de test ne peut pas être fait ni lu";
        return std::nullopt;
    }
    int status = 0;
    std::string out = runTool("java", {"-cp", tools + "/jackcess-4.0.10.jar:" + lang + ":" + logging,
                                       std::string(KERVANE_FIXTURES) + "/" + fixture, argument},
                              status);
    if (status != 0) {
        why = "Jackcess n'a pas pu exécuter " + fixture;
        return std::nullopt;
    }
    return out;
}

bool makeJackcessFile(const std::string& fixture, const std::string& path, std::string& why)
{
    if (!runJackcessFixture(fixture, path, why))
        return false;
    if (!std::filesystem::exists(path)) {
        why = "Jackcess n'a pas pu écrire le fichier de test";
        return false;
    }
    return true;
}

std::string jetgenProgram()
{
    return std::filesystem::exists(jetgen()) && haveProgram("java") ? jetgen().string() : std::string();
}

bool growNwind(const std::string& path, int copies)
{
    int status = -1;
    if (!nwindPath().empty() && !jetgenProgram().empty())
        runTool(jetgenProgram(), {"grow", nwindPath(), path, std::to_string(copies)}, status);
    return status == 0;
}

void NoIndexFileTest::SetUp()
{
    ASSERT_TRUE(m_folder.isValid());
    m_path = m_folder.filePath("mesures.mdb").toStdString();
    std::string why;
    if (!makeJackcessFile("NoIndexTables.java", m_path, why))
        GTEST_SKIP() << why;
}

double accessDate(int y, unsigned m, unsigned d, int hh, int mm, int ss)
{
    using namespace std::chrono;
    const auto days = sys_days{year{y} / month{m} / day{d}} - sys_days{year{1899} / December / 30};
    return static_cast<double>(days.count()) + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

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

std::uint32_t tableDefinitionPage(const std::string& path, const std::string& table)
{
    std::string error;
    auto file = jet::JetFile::open(path, error);
    const jet::JetTable* found = file ? file->table(table) : nullptr;
    EXPECT_NE(found, nullptr) << path << " : " << table << " : " << error;
    return found != nullptr ? found->definitionPage : 0;
}

jet::JetTableLayout layoutOf(jet::JetPages& pages, const std::string& path, const std::string& table)
{
    jet::JetTableLayout layout;
    std::string error;
    EXPECT_TRUE(jet::readTableLayout(pages, tableDefinitionPage(path, table), layout, error)) << error;
    return layout;
}

std::string jetcheckPath()
{
    const std::filesystem::path jetcheck = jetgen().parent_path() / "jetcheck";
    if (!std::filesystem::exists(jetcheck) || !haveProgram("java"))
        return {};
    return jetcheck.string();
}

std::vector<std::string> jetcheck(const std::vector<std::string>& arguments, int& status)
{
    return lines(runTool(jetcheckPath(), arguments, status));
}

std::string jetcheckVerify(const std::string& file)
{
    int status = 0;
    return runTool("sh", {"-c", "'" + jetcheckPath() + "' verify '" + file + "' 2>&1"}, status);
}

}  // namespace kervane::test
