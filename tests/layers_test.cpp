// The folders are layers (TESSELO_LAYERS, bottom first): a file includes the headers of its own
// folder and of the folders below it, never of one above it or outside the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Layers()
{
    std::istringstream in(TESSELO_LAYERS);
    std::vector<std::string> layers;
    for (std::string layer; in >> layer;)
        layers.push_back(layer);
    return layers;
}

// "file:line includes folder/..." for each include of the text that reaches above folder.
std::vector<std::string> UpwardIncludes(const std::string& text, const std::string& folder, const std::string& file,
                                        const std::vector<std::string>& layers)
{
    const auto rank = [&](const std::string& f) {
        return static_cast<int>(std::find(layers.begin(), layers.end(), f) - layers.begin());
    };
    static const std::regex include(R"(^\s*#\s*include\s*"([^/"]+)/)");
    std::vector<std::string> found;
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        std::smatch m;
        if (std::regex_search(line, m, include) && rank(m[1]) > rank(folder))
            found.push_back(file + ":" + std::to_string(number) + " includes " + m[1].str() + "/");
    }
    return found;
}

} // namespace

TEST(Layers, AnIncludeOfALaterOrUnlistedFolderIsFound)
{
    const std::vector<std::string> layers{"platform", "geodata", "view"};
    const std::string text = "#include \"geodata/a.h\"\n#include \"platform/b.h\"\n#include <vector>\n"
                             "# include \"view/c.h\"\n#include \"tests/d.h\"\n";
    EXPECT_EQ(UpwardIncludes(text, "view", "v.cpp", layers), (std::vector<std::string>{"v.cpp:5 includes tests/"}));
    EXPECT_EQ(UpwardIncludes(text, "geodata", "g.cpp", layers),
              (std::vector<std::string>{"g.cpp:4 includes view/", "g.cpp:5 includes tests/"}));
    EXPECT_EQ(UpwardIncludes(text, "platform", "p.h", layers).size(), 3u);
}

TEST(Layers, NoFolderIncludesOneAboveIt)
{
    namespace fs = std::filesystem;
    const std::vector<std::string> layers = Layers();
    ASSERT_GE(layers.size(), 10u);
    std::vector<std::string> found;
    size_t files = 0;
    for (const std::string& folder : layers) {
        const fs::path dir = fs::path(TESSELO_SOURCE_DIR) / folder;
        ASSERT_TRUE(fs::is_directory(dir)) << dir;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir)) {
            const std::string ext = e.path().extension().string();
            if (!e.is_regular_file() || (ext != ".h" && ext != ".cpp"))
                continue;
            std::ifstream in(e.path());
            std::ostringstream text;
            text << in.rdbuf();
            const std::string name = fs::relative(e.path(), TESSELO_SOURCE_DIR).string();
            for (std::string& f : UpwardIncludes(text.str(), folder, name, layers))
                found.push_back(std::move(f));
            ++files;
        }
    }
    EXPECT_GT(files, 100u);
    for (const std::string& f : found)
        ADD_FAILURE() << f;
}
