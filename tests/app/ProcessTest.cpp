// The real executable: started offscreen on a file, ended by SIGTERM.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <csignal>
#include <fstream>

namespace {

TEST(Process, EndsWithExitCodeZeroOnSigtermAndSavesSettings) {
    QTemporaryDir config, work;
    ASSERT_TRUE(config.isValid() && work.isValid());
    std::ofstream(work.path().toStdString() + "/data.bin", std::ios::binary) << "abc";

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", config.path());
    env.remove("APPDATA");
    process.setProcessEnvironment(env);
    // A relative name is taken from the folder the program was started in.
    process.setWorkingDirectory(work.path());
    process.start(QString(HEXALOOM_BINARY_DIR) + "/hexaloom", {"./data.bin"});
    ASSERT_TRUE(process.waitForStarted(5000));
    // Past the launch window (about a second) and into the loop.
    QThread::msleep(1800);
    ASSERT_EQ(process.state(), QProcess::Running) << process.readAllStandardError().toStdString();

    QElapsedTimer timer;
    timer.start();
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);

    const std::string ini = config.path().toStdString() + "/Quillstone/Hexaloom/Configuration.ini";
    std::ifstream in(ini, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("[General]\r\n"), std::string::npos);
    // The file named on the command line was opened from the start folder,
    // not created in the program's folder.
    EXPECT_NE(text.find("data.bin"), std::string::npos);
    EXPECT_FALSE(QFile::exists(QString(HEXALOOM_BINARY_DIR) + "/data.bin"));
}

}  // namespace
