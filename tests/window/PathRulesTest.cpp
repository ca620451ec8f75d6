// Folder part, bare name, proposed save path and added extension of picture paths.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "window/PathFunctions.h"

namespace rimvista::paths {
namespace {

namespace fs = std::filesystem;

class PathRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "paths-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_root = pattern;
    }
    void TearDown() override { fs::remove_all(m_root); }

    std::string dir(const std::string& name) {
        fs::create_directories(m_root / name);
        return (m_root / name).string();
    }
    std::string file(const std::string& name) {
        fs::create_directories((m_root / name).parent_path());
        std::ofstream((m_root / name).string()) << "x";
        return (m_root / name).string();
    }
    std::string at(const std::string& name) const { return (m_root / name).string(); }

    fs::path m_root;
    const std::string m_program = "/opt/program-folder";
};

TEST_F(PathRulesTest, FolderPartOfAPicturePath) {
    const std::string pics = dir("pics");
    EXPECT_EQ(GetFolderName(pics + "/a.bmp", m_program), pics);
    EXPECT_EQ(GetFolderName(at("gone/a.bmp"), m_program), m_program);
    // A picture in the root folder: the "/" in the first place is never taken, and what stays
    // before it is the root itself.
    EXPECT_EQ(GetFolderName("/a.bmp", m_program), "/");
    // Dots in folder names and a hidden folder.
    const std::string dotted = dir("my.dir");
    EXPECT_EQ(GetFolderName(dotted + "/photo.JPG", m_program), dotted);
    dir(".secret");
    EXPECT_EQ(GetFolderName(at(".secret/a.bmp"), m_program), m_program);
    // No folder at all in a short name.
    EXPECT_EQ(GetFolderName("a", m_program), m_program);
}

TEST_F(PathRulesTest, ProposedSavePathTakesTheFileSystemsBareName) {
    const std::string photo = file("in/Photo.JPG");
    EXPECT_EQ(bareName(photo), "Photo.JPG");
    EXPECT_EQ(proposedSavePath("/out", photo), "/out/Photo.JPG");
    EXPECT_EQ(proposedSavePath("/out/", photo), "/out//Photo.JPG");
    // Hidden, missing and folder paths have no bare name: a lone "/" follows the folder.
    EXPECT_EQ(proposedSavePath("/out", file("in/.hidden.bmp")), "/out/");
    EXPECT_EQ(proposedSavePath("/out", at("in/missing.bmp")), "/out/");
    EXPECT_EQ(proposedSavePath("/out", dir("in/folder.bmp")), "/out/");
}

TEST_F(PathRulesTest, ExtensionFollowsThePictureName) {
    EXPECT_EQ(AddExtension("/out/photo", "/in/a.JPG"), "/out/photo.jpg");
    EXPECT_EQ(AddExtension("/out/photo", "/in/a.jpg"), "/out/photo.jpg");
    EXPECT_EQ(AddExtension("/out/photo", "/in/a.jpeg"), "/out/photo.bmp");
    EXPECT_EQ(AddExtension("/out/photo", "/in/a.bmp"), "/out/photo.bmp");
    EXPECT_EQ(AddExtension("/out/photo", ""), "/out/photo.bmp");
    // Any dot keeps the name: in a folder name, or a trailing one.
    EXPECT_EQ(AddExtension("/my.dir/photo", "/in/a.JPG"), "/my.dir/photo");
    EXPECT_EQ(AddExtension("/out/photo.", "/in/a.JPG"), "/out/photo.");
}

}  // namespace
}  // namespace rimvista::paths
