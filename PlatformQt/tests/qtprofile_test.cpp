#include "PlatformQt/qtprofile.h"

#include <gtest/gtest.h>

#include <QSettings>

#include <string>
#include <vector>

#include "testsupport/tempdir.h"

namespace {

// The user's settings go to a temporary directory for the test.
class QtProfileTest : public ::testing::Test {
 protected:
  QtProfileTest() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(dir.path()));
  }

  testsupport::TempDir dir;
};

TEST_F(QtProfileTest, ValuesLastAcrossProfileObjectsUnderTheOrganisation) {
  {
    platform::QtProfile profile("TesselStation");
    EXPECT_TRUE(profile.WriteProfileString("Settings", "Agent", "Alpha"));
    EXPECT_TRUE(profile.WriteProfileInt("Settings", "Port", 6678));
    EXPECT_TRUE(profile.WriteProfileString("Settings", "Gone", "x"));
    EXPECT_TRUE(profile.WriteProfileString("Settings", "Gone", nullptr));
  }
  platform::QtProfile profile("TesselStation");
  EXPECT_EQ(profile.GetProfileString("Settings", "Agent"), "Alpha");
  EXPECT_EQ(profile.GetProfileInt("Settings", "Port", 0), 6678);
  EXPECT_EQ(profile.GetProfileString("Settings", "Gone", "default"), "default");
  EXPECT_EQ(profile.GetProfileString("Settings", "Missing"), "");
  EXPECT_EQ(profile.GetProfileInt("Settings", "Agent", -1), -1);  // not a number
  EXPECT_EQ(profile.GetProfileInt("Other", "Port", 7), 7);

  const std::string organisation = platform::QtProfile::kOrganisation;
  EXPECT_TRUE(organisation.ends_with("TesselStation Project"));
  EXPECT_TRUE(testsupport::TempDir::exists(dir.file(organisation + "/TesselStation.conf")));
}

TEST_F(QtProfileTest, RecentFilesKeepTheLastOpenedFirstUpToTheLimit) {
  {
    platform::QtProfile profile("TesselStation");
    profile.LoadStdProfileSettings(4);
    EXPECT_TRUE(profile.recent_files().empty());
    for (const char* path : {"/maps/a.map", "/maps/b.map", "/maps/c.map", "/maps/d.map",
                             "/maps/b.map", "/maps/e.map"}) {
      profile.AddToRecentFileList(path);
    }
    EXPECT_EQ(profile.recent_files(), (std::vector<std::string>{"/maps/e.map", "/maps/b.map",
                                                                "/maps/d.map", "/maps/c.map"}));
  }
  platform::QtProfile profile("TesselStation");
  profile.LoadStdProfileSettings(4);
  EXPECT_EQ(profile.recent_files(), (std::vector<std::string>{"/maps/e.map", "/maps/b.map",
                                                              "/maps/d.map", "/maps/c.map"}));
  EXPECT_EQ(profile.GetProfileString(platform::QtProfile::kRecentFileSection, "File1"),
            "/maps/e.map");
}

}  // namespace
