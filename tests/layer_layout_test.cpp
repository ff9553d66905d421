// layer_layout_test.cpp -- the layer's libraries as its sources include one another, by folder
// or by a relative path: no library reaches, through any chain of includes, back to itself

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// The library folder a header named in an #include of a source in folder lands in: the name's
// first part when it starts with a library's folder ("ddraw/objects.h"), else the folder the name
// leads to from the source's own ("../ddraw/objects.h", "window.h"); empty outside the libraries.
std::string LibraryOfInclude(const fs::path& root, const std::string& folder, const std::string& name)
{
    const std::string first = name.substr(0, name.find('/'));
    if (first != name && first != "." && first != ".." && fs::is_directory(root / first))
        return first == "include" ? "" : first;
    const fs::path relative = (fs::path(folder) / name).lexically_normal();
    const std::string library = relative.begin()->string();
    if (library == ".." || std::next(relative.begin()) == relative.end() || library == "include")
        return "";
    return library;
}

// For each library folder, the other library folders its sources include headers of.
std::map<std::string, std::set<std::string>> IncludeEdges()
{
    const fs::path root = PLATFORM_SOURCE_DIR;
    const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::map<std::string, std::set<std::string>> edges;
    for (const auto& folder : fs::directory_iterator(root)) {
        const std::string library = folder.path().filename().string();
        if (!folder.is_directory() || library == "include")
            continue;
        edges[library];
        for (const auto& file : fs::directory_iterator(folder.path())) {
            std::ifstream in(file.path());
            std::smatch match;
            for (std::string line; std::getline(in, line);) {
                if (!std::regex_search(line, match, include))
                    continue;
                const std::string target = LibraryOfInclude(root, library, match[1]);
                if (!target.empty() && target != library)
                    edges[library].insert(target);
            }
        }
    }
    return edges;
}

}  // namespace

TEST(Layout, IncludesAreTracedToTheLibraryTheyReach)
{
    const fs::path root = PLATFORM_SOURCE_DIR;
    struct Row { const char* name; const char* expect; };
    const Row rows[] = {
        {"kernel32/handles.h", "kernel32"},
        {"../ddraw/objects.h", "ddraw"},
        {"./../dsound/mixer.h", "dsound"},
        {"../gdi32/../dinput8/device.h", "dinput8"},
        {"window.h", "user32"},
        {"../faults.h", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(LibraryOfInclude(root, "user32", r.name), r.expect) << r.name << " from user32";
}

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
