// Putting downloaded files in place, through whole runs of the worker
// against a loopback server.
#include "HttpTestServer.h"
#include "UpdateTestSupport.h"
#include "platform/MainThread.h"
#include "platform/Md5.h"
#include "update/Json.h"
#include "update/UnitDownFileThread.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using testsupport::HttpReply;
using testsupport::HttpRequest;
using testsupport::HttpTestServer;

namespace {

class ApplyFile : public InstallationTest {
protected:
    std::map<std::string, std::string> served; // path -> body
    HttpTestServer server{[this](const HttpRequest& req) {
        std::string path = req.target.substr(0, req.target.find('?'));
        auto it = served.find(path);
        return it == served.end() ? HttpReply::Text(404, "") : HttpReply::Text(200, it->second);
    }};
    TDownloadItemList list;

    TDownloadFileItem* Add(const std::string& name, const std::string& clientDir,
                           const std::string& body, const std::string& type = "file") {
        std::string path = "/f" + std::to_string(list.size());
        served[path] = body;
        std::string json = R"({"fileName":")" + name + R"(","clientDir":")" + clientDir +
                           R"(","fileVer":"8","fileType":")" + type + R"(","fileSize":)" +
                           std::to_string(body.size()) + R"(,"fileUrl":")" + server.Url(path) +
                           R"(","remark":""})";
        auto item = std::make_unique<TDownloadFileItem>();
        item->BuildFromJson(JsonValue::Parse(json));
        list.push_back(std::move(item));
        return list.back().get();
    }

    struct Result {
        std::string errorText;
        bool needLauncher = false;
    };
    Result Run() {
        Result r;
        bool done = false;
        auto* worker = new TDownFileThread();
        worker->SetFreeOnTerminate(true);
        worker->SetList(&list);
        worker->SetAppRootPath(root.Path());
        worker->SetOnTerminate([&](platform::TThread* t) {
            r.errorText = static_cast<TDownFileThread*>(t)->ErrorText();
            r.needLauncher = static_cast<TDownFileThread*>(t)->NeedUpdateLauncher();
            done = true;
        });
        worker->Start();
        EXPECT_TRUE(platform::RunMessageLoopUntil([&] { return done; }, std::chrono::seconds(60)));
        return r;
    }

    std::string Record(const std::string& section, const std::string& entry) {
        AppConfig->SetSetion(section);
        return AppConfig->ReadString(entry, "");
    }
    // What a permission check sees, or the expectation itself on a system
    // without permission bits.
    static unsigned Mode(const std::string& path, unsigned expected) {
        return testsupport::PermissionBits(path).value_or(expected);
    }
};

struct LocationCase {
    const char* name;
    const char* clientDir;
    const char* existing; // folder made beforehand, or ""
    const char* file;     // where the file must land
};

void PrintTo(const LocationCase& c, std::ostream* os) {
    *os << c.name;
}

class FolderChain : public ApplyFile, public ::testing::WithParamInterface<LocationCase> {};

TEST_P(FolderChain, IsCreatedOneLevelAtATime) {
    if (*GetParam().existing) testsupport::MakeDirs(root / GetParam().existing);
    Add("x.dll", GetParam().clientDir, "payload");
    EXPECT_EQ(Run().errorText, "");
    EXPECT_EQ(testsupport::ReadFile(root / GetParam().file), "payload");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderChain,
    ::testing::Values(LocationCase{"empty", "", "", "x.dll"},
                      LocationCase{"deeper_than_existing", "a\\\\b\\\\c\\\\", "a", "a/b/c/x.dll"},
                      LocationCase{"blank_inside_a_name", "My Data\\\\x\\\\", "",
                                   "My Data/x/x.dll"},
                      LocationCase{"doubled_backslash", "a\\\\\\\\b", "", "a/b/x.dll"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplyFile, PlainFileReplacesTheTargetAndRecordsItsVersion) {
    Put("Varnoke.exe", "old program");
    testsupport::SetPermissionBits(root / "Varnoke.exe", 0755);
    auto* item = Add("Varnoke.exe", "",
                     "\x7f"
                     "ELF new program");
    ASSERT_EQ(Run().errorText, "");
    EXPECT_EQ(Get("Varnoke.exe"), "\x7f"
                                  "ELF new program");
    EXPECT_EQ(Mode(root / "Varnoke.exe", 0755), 0755u); // still startable
    EXPECT_FALSE(Has("~FileCache.TMP"));
    EXPECT_EQ(item->LocalVer(), 8);
    EXPECT_EQ(Record("Varnoke.exe", "Ver"), "8");
    EXPECT_EQ(Record("Varnoke.exe", "MD5"), platform::Md5Hex("\x7f"
                                                             "ELF new program"));
}

TEST_F(ApplyFile, NewProgramBecomesExecutableOtherFilesDoNot) {
    Add("tool", "bin", "#!/bin/sh\necho hi\n");
    Add("readme.txt", "", "text");
    ASSERT_EQ(Run().errorText, "");
    EXPECT_EQ(Mode(root / "bin/tool", 0755) & 0111, 0111u);
    EXPECT_EQ(Mode(root / "readme.txt", 0644) & 0111, 0u);
}

TEST_F(ApplyFile, TargetThatCannotBeReplacedFailsAndKeepsTheDownload) {
    testsupport::MakeDirs(root / "busy.dll"); // a folder is never replaced by a file
    Add("busy.dll", "", "new");
    EXPECT_EQ(Run().errorText, "文件复制失败");
    EXPECT_EQ(Get("~FileCache.TMP"), "new");
    EXPECT_EQ(Record("busy.dll", "Ver"), "0");
}

TEST_F(ApplyFile, FolderThatCannotBeCreated) {
    Put("blocker", "a file where a folder should be");
    Add("x.dll", "blocker\\\\sub", "new");
    EXPECT_EQ(Run().errorText, "创建文件夹失败");
}

TEST_F(ApplyFile, UpdaterItselfWaitsAsTheHandOffCopy) {
    Put("Updater", "running updater");
    auto* item = Add("UPDATER.exe", "tools",
                     "\x7f"
                     "ELF new updater");
    Result r = Run();
    ASSERT_EQ(r.errorText, "");
    EXPECT_TRUE(r.needLauncher);
    EXPECT_EQ(Get("Updater"), "running updater");
    EXPECT_EQ(Get("_updater.tmp"), "\x7f"
                                   "ELF new updater");
    EXPECT_EQ(Mode(root / "_updater.tmp", 0755) & 0111, 0111u);
    EXPECT_EQ(item->FilePath, "tools\\Updater");
    EXPECT_EQ(Record("tools\\Updater", "Ver"), "8");
    EXPECT_EQ(Record("tools\\Updater", "MD5"), platform::Md5Hex("\x7f"
                                                                "ELF new updater"));
}

TEST_F(ApplyFile, NamesThatClimbOutOfTheInstallationAreRefusedBeforeTheTransfer) {
    const char* const refused[][2] = {
        {"x.dll", "..\\\\escape"}, {"x.dll", "a\\\\..\\\\..\\\\escape"},
        {"..\\\\x.dll", ""},       {"x.dll", "C:\\\\escape"},
        {"x.dll:stream", ""},
    };
    for (const auto& [name, dir] : refused) {
        SCOPED_TRACE(std::string(dir) + " " + name);
        list.clear();
        size_t before = server.RequestCount();
        Add(name, dir, "new");
        EXPECT_THAT(Run().errorText, HasSubstr("文件路径不安全"));
        EXPECT_EQ(server.RequestCount(), before);
        EXPECT_FALSE(Has("~FileCache.TMP"));
    }
    EXPECT_FALSE(testsupport::Exists(root.Path() + "../escape"));
}

// The folder is joined to the root path, so a leading separator stays inside.
TEST_F(ApplyFile, AFolderWithALeadingSeparatorIsInsideTheInstallation) {
    Add("a.dll", "\\\\plugins", "a");
    Add("b.dll", "/plugins", "b");
    Add("c.dll", "\\\\", "c");
    ASSERT_EQ(Run().errorText, "");
    EXPECT_EQ(Get("plugins/a.dll"), "a");
    EXPECT_EQ(Get("plugins/b.dll"), "b");
    EXPECT_EQ(Get("c.dll"), "c");
}

// A package made by Python's zipfile, which marks non-ASCII names as UTF-8.
std::string MakeZip(const std::string& folder,
                    const std::vector<std::pair<std::string, std::string>>& files,
                    const std::vector<std::string>& dirs) {
    std::string script =
        "import zipfile\nz = zipfile.ZipFile('p.zip', 'w', zipfile.ZIP_DEFLATED)\n";
    for (const auto& d : dirs)
        script += "z.writestr('" + d + "/', '')\n";
    for (const auto& [name, body] : files)
        script += "z.writestr('" + name + "', '" + body + "')\n";
    script += "z.close()\n";
    testsupport::WriteFile(folder + "make.py", script);
    EXPECT_EQ(testsupport::RunHostCommand("cd '" + testsupport::HostPath(folder) +
                                          "' && python3 make.py"),
              0);
    return testsupport::ReadFile(folder + "p.zip");
}

TEST_F(ApplyFile, PackageIsUnpackedIntoItsFolderAndDeleted) {
    testsupport::TempDir work;
    std::string zip = MakeZip(work.Path(), {{"bin/x.dll", "dll"}, {"readme.txt", "text"}}, {"res"});
    auto* item = Add("skins.zip", "skins", zip, "zip");
    ASSERT_EQ(Run().errorText, "");
    EXPECT_EQ(Get("skins/bin/x.dll"), "dll");
    EXPECT_EQ(Get("skins/readme.txt"), "text");
    EXPECT_TRUE(testsupport::Exists(root / "skins/res"));
    EXPECT_FALSE(Has("~FileCache.TMP"));
    EXPECT_EQ(item->FilePath, root.Path() + "skins\\");
    EXPECT_EQ(Record(root.Path() + "skins\\", "Ver"), "8");
    EXPECT_EQ(Record(root.Path() + "skins\\", "MD5"), platform::Md5Hex(zip));
}

TEST_F(ApplyFile, CorruptPackageFailsAndIsNotRecorded) {
    Add("p.zip", "p", "PK\x03\x04 certainly not a whole archive", "zip");
    Result r = Run();
    EXPECT_FALSE(r.errorText.empty());
    EXPECT_TRUE(Has("~FileCache.TMP"));
    EXPECT_EQ(Record(root.Path() + "p\\", "MD5"), "");
}

} // namespace
