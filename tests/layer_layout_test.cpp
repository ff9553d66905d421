// layer_layout_test.cpp -- the layer's libraries as its sources include one another: no library
// reaches, through any chain of includes, back to itself

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// For each library folder, the other library folders its sources include headers of.
std::map<std::string, std::set<std::string>> IncludeEdges()
{
    const fs::path root = PLATFORM_SOURCE_DIR;
    const std::regex include(R"re(^\s*#\s*include\s*"([a-z0-9]+)/)re");
    std::map<std::string, std::set<std::string>> edges;
    for (const auto& folder : fs::directory_iterator(root)) {
        const std::string library = folder.path().filename().string();
        if (!folder.is_directory() || library == "include")
            continue;
        edges[library];
        for (const auto& file : fs::directory_iterator(folder.path())) {
            std::ifstream in(file.path());
            std::smatch match;
            for (std::string line; std::getline(in, line);)
                if (std::regex_search(line, match, include) && match[1] != library)
                    edges[library].insert(match[1]);
        }
    }
    return edges;
}

}  // namespace

TEST(Layout, NoLibraryOfTheLayerIncludesItsWayBackToItself)
{
    const auto edges = IncludeEdges();
    ASSERT_GE(edges.size(), 6u) << "the six library folders";
    for (const auto& [start, next] : edges) {
        // Every library reachable from start; start must not be among them.
        std::set<std::string> reached;
        std::vector<std::string> pending(next.begin(), next.end());
        while (!pending.empty()) {
            const std::string library = pending.back();
            pending.pop_back();
            if (!reached.insert(library).second)
                continue;
            auto found = edges.find(library);
            if (found != edges.end())
                pending.insert(pending.end(), found->second.begin(), found->second.end());
        }
        EXPECT_EQ(reached.count(start), 0u) << start << " reaches itself";
    }
    EXPECT_EQ(edges.at("user32").count("ddraw"), 0u) << "windows know nothing of the display";
    EXPECT_EQ(edges.at("user32").count("dinput8"), 0u) << "windows know nothing of DirectInput";
}
