// The command line: options that end at once, digests as md5sum prints
// them, several files opening several tabs, and a start without a display.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>

#include "app/shell/Application.h"
#include "app/shell/CommandLine.h"
#include "app/shell/Globals.h"
#include "document/Document.h"
#include "hexview/HexView.h"
#include "platform/File.h"
#include "platform/Platform.h"
#include "tabbar/TabBar.h"
#include "ShellTestSupport.h"

using namespace hx;

namespace {

std::string Write(const QTemporaryDir &dir, const std::string &name, const std::string &bytes) {
    std::string path = dir.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

struct ProcessRun {
    int code = -1;
    std::string out, err;
};

ProcessRun Execute(const QStringList &arguments, bool display = true) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    if (display) env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(QString(HEXALOOM_BINARY_DIR) + "/hexaloom", arguments);
    ProcessRun run;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.code = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

TEST(CommandLine, HelpAndVersionPrintAndEndWithoutCreatingFiles) {
    QTemporaryDir dir;
    for (const char *option : {"--help", "-h", "--version"}) {
        ProcessRun run = Execute({option});
        EXPECT_EQ(run.code, 0) << option;
        EXPECT_NE(run.out.find("hexaloom"), std::string::npos) << option;
        EXPECT_FALSE(FileExists(option)) << option;
    }
    ProcessRun unknown = Execute({"--frobnicate"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_NE(unknown.err.find("--frobnicate"), std::string::npos);
}

TEST(CommandLine, DigestsMatchTheStandardCheckValues) {
    QTemporaryDir dir;
    const std::string nine = Write(dir, "nine", "123456789");
    const std::string empty = Write(dir, "empty", "");
    struct Case {
        const char *algorithm;
        std::string path;
        const char *digest;
    } cases[] = {
        // RFC 1321 appendix A.5 and FIPS 180 / RFC 3174 test vectors; the CRC-32
        // and Adler-32 check values of "123456789".
        {"md5", empty, "d41d8cd98f00b204e9800998ecf8427e"},
        {"MD5", nine, "25f9e794323b453885f5181f1b624d0b"},
        {"SHA1", nine, "f7c3bc1d808e04732adf679965ccc34ca7ae3441"},
        {"crc32", nine, "cbf43926"},
        {"Adler32", nine, "091e01de"},
        // The later names, loosely typed; CRC-32C and CRC-64/XZ check values.
        {"sha-256", nine, "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225"},
        {"CRC32c", nine, "e3069283"},
        {"crc_64", nine, "995dc9bbdf1939fa"},
    };
    for (const Case &c : cases) {
        std::ostringstream out, err;
        CommandLine line = ReadCommandLine({"--digest", c.algorithm, c.path}, out, err);
        ASSERT_TRUE(line.exitCode.has_value());
        EXPECT_EQ(*line.exitCode, 0) << c.algorithm << err.str();
        EXPECT_EQ(out.str(), std::string(c.digest) + "  " + c.path + "\n") << c.algorithm;
    }
}

TEST(CommandLine, DigestAgreesWithMd5sumAndSha1sumOnAFileOfSeveralSlices) {
    QTemporaryDir dir;
    std::string bytes(9 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::string path = Write(dir, "big.bin", bytes);
    const std::pair<const char *, const char *> tools[] = {{"md5sum", "MD5"}, {"sha1sum", "SHA1"}, {"sha256sum", "sha256"}};
    for (const auto &[tool, algorithm] : tools) {
        QProcess reference;
        reference.start(tool, {QString::fromStdString(path)});
        if (!reference.waitForFinished(10000) || reference.exitCode() != 0) GTEST_SKIP() << tool << " not available";
        ProcessRun ours = Execute({"--digest", algorithm, QString::fromStdString(path)});
        EXPECT_EQ(ours.code, 0) << ours.err;
        EXPECT_EQ(ours.out, reference.readAllStandardOutput().toStdString()) << tool;
    }
}

TEST(CommandLine, DigestProblemsEndWithCodeOneAndAMessage) {
    QTemporaryDir dir;
    const std::string nine = Write(dir, "nine", "123456789");
    struct Case {
        std::vector<std::string> arguments;
        const char *says;
        bool printsNine;
    } cases[] = {
        {{"--digest", "SHA2", nine}, "unknown digest algorithm", false},
        {{"--digest"}, "needs an algorithm", false},
        {{"--digest", "MD5"}, "at least one file", false},
        {{"--digest", "CRC32", dir.path().toStdString() + "/missing", nine}, "missing", true},
        {{"--digest", "CRC32", dir.path().toStdString()}, "not a regular file", false},
    };
    for (const Case &c : cases) {
        std::ostringstream out, err;
        CommandLine line = ReadCommandLine(c.arguments, out, err);
        ASSERT_TRUE(line.exitCode.has_value());
        EXPECT_EQ(*line.exitCode, 1) << c.says;
        EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
        // The readable files are still digested.
        EXPECT_EQ(out.str().find("cbf43926") != std::string::npos, c.printsNine) << c.says;
    }
}

TEST(CommandLine, FilesAreCollectedInOrderAndDoubleDashEndsOptions) {
    std::ostringstream out, err;
    CommandLine line = ReadCommandLine({"a.bin", "--", "--help", "-"}, out, err);
    EXPECT_FALSE(line.exitCode.has_value());
    EXPECT_EQ(line.files, (std::vector<std::string>{"a.bin", "--help", "-"}));
    EXPECT_TRUE(out.str().empty());
}

TEST(CommandLine, QtOptionsAreSetAsideForQtWithTheirValues) {
    using Strings = std::vector<std::string>;
    struct Case {
        Strings arguments;
        Strings files;
        Strings qtOptions;
    } cases[] = {
        {{"-style", "Fusion", "a.bin"}, {"a.bin"}, {"-style", "Fusion"}},
        {{"a", "--style=Fusion", "-reverse", "b"}, {"a", "b"}, {"--style=Fusion", "-reverse"}},
        // After "--" a name that looks like Qt's option is a file, and Qt never sees it.
        {{"-platform", "offscreen", "--", "-reverse", "-style"}, {"-reverse", "-style"}, {"-platform", "offscreen"}},
        {{"-display", ":7", "-geometry", "640x480+0+0", "-"}, {"-"}, {"-display", ":7", "-geometry", "640x480+0+0"}},
    };
    for (const Case &c : cases) {
        std::ostringstream out, err;
        CommandLine line = ReadCommandLine(c.arguments, out, err);
        EXPECT_FALSE(line.exitCode.has_value()) << err.str();
        EXPECT_EQ(line.files, c.files) << c.arguments[0];
        EXPECT_EQ(line.qtOptions, c.qtOptions) << c.arguments[0];
    }
    // A value missing at the end, or one joined to an option that takes none, is refused.
    for (const Strings &bad : {Strings{"a.bin", "-style"}, Strings{"-reverse=yes"}}) {
        std::ostringstream out, err;
        CommandLine line = ReadCommandLine(bad, out, err);
        EXPECT_EQ(line.exitCode, std::optional<int>(1)) << bad.back();
        EXPECT_NE(err.str().find(bad.back()), std::string::npos) << err.str();
    }
}

TEST(CommandLine, StyleAndPlatformGoToQtAndTheFileStillOpens) {
    QTemporaryDir config, work;
    const std::string file = Write(work, "styled.bin", "abc");
    const std::string ini = config.path().toStdString() + "/Quillstone/Hexaloom/";
    QDir().mkpath(QString::fromStdString(ini));
    std::ofstream(ini + "Configuration.ini", std::ios::binary) << "[General]\r\nLaunchWindow = 0\r\n";
    // No display in the environment: -platform on the command line is what lets the window open.
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "APPDATA"}) env.remove(name);
    env.insert("XDG_CONFIG_HOME", config.path());
    process.setProcessEnvironment(env);
    process.start(QString(HEXALOOM_BINARY_DIR) + "/hexaloom",
                  {"-platform", "offscreen", "-style", "Fusion", QString::fromStdString(file)});
    ASSERT_TRUE(process.waitForStarted(5000));
    QThread::msleep(1200);
    ASSERT_EQ(process.state(), QProcess::Running) << process.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    std::ifstream in(ini + "Configuration.ini", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    // The file was opened (it is the recent list's newest entry), not taken as the style's name.
    EXPECT_NE(text.find(file), std::string::npos) << text;
}

TEST(CommandLine, DigestNamesAreWrittenAsMd5sumReadsThemBackAndPipesAreRefusedAtOnce) {
    QTemporaryDir dir;
    QProcess::execute("mkfifo", {dir.path() + "/fifo"});
    const char *names[] = {"plain", "back\\slash", "line\nfeed", "carriage\rreturn", "-dash"};
    QStringList arguments = {"--digest", "MD5", "--"};
    for (const char *name : names) {
        Write(dir, name, name);
        arguments << QString::fromLatin1(name);
    }
    arguments << "-" << "fifo";
    QProcess process;
    process.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(QString(HEXALOOM_BINARY_DIR) + "/hexaloom", arguments);
    process.write("from standard input");
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(10000)) << "blocked (on the pipe?)";
    EXPECT_EQ(process.exitCode(), 1);   // the pipe is refused
    EXPECT_NE(process.readAllStandardError().indexOf("fifo: not a regular file"), -1);
    const std::string out = process.readAllStandardOutput().toStdString();
    EXPECT_NE(out.find("\\"), 0u) << "no escape before the plain name";
    EXPECT_NE(out.find("  line\\nfeed\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  back\\\\slash\n"), std::string::npos) << out;
    EXPECT_NE(out.find("8ae1746b6100a7b15c06860c433dd0d7  -\n"), std::string::npos) << out;  // md5sum's own
    // md5sum reads every line back, standard input's aside.
    std::string check;
    for (std::istringstream lines(out); std::getline(lines, check);)
        if (check.size() < 3 || check.substr(check.size() - 3) != "  -")
            std::ofstream(dir.path().toStdString() + "/sums", std::ios::app) << check << "\n";
    QProcess md5sum;
    md5sum.setWorkingDirectory(dir.path());
    md5sum.start("md5sum", {"-c", "sums"});
    if (!md5sum.waitForFinished(10000)) GTEST_SKIP() << "md5sum not available";
    EXPECT_EQ(md5sum.exitCode(), 0) << md5sum.readAllStandardOutput().toStdString();
    EXPECT_EQ(md5sum.readAllStandardOutput().count(": OK"), 5);
}

TEST(CommandLine, WithoutADisplayTheProgramSaysSoInOneLine) {
    ProcessRun run = Execute({}, false);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("graphical session"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

TEST(CommandLine, SeveralFilesOpenOneTabEachWithTheFirstSelected) {
    QTemporaryDir dir;
    WriteTestConfiguration("[General]\r\nLaunchWindow = 0\r\n");
    const std::vector<std::string> files = {Write(dir, "one", "1"), Write(dir, "two", "22"), Write(dir, "three", "333")};
    InitTestPlatform();
    StartUp(files[0]);
    OpenMoreFiles(files);
    EXPECT_EQ(CountTabBarItems(0), 3);
    for (int i = 0; i < 3; ++i) {
        auto *doc = static_cast<Document *>(TabBarItemData(GetTabBarItem(0, i)));
        ASSERT_NE(doc, nullptr);
        EXPECT_EQ(doc->Store->FileName, files[i]);
    }
    HexView *view = HexViewByGadget(MainViewGadget);
    ASSERT_NE(view->CurrentDocument, nullptr);
    EXPECT_EQ(view->CurrentDocument->Store->FileName, files[0]);
    EXPECT_EQ(GetTabBarItem(0, TabBarSelectedItem), view->CurrentDocument->Tab);
    ShutDown();
}

}  // namespace
