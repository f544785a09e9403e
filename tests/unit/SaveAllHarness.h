// SaveAll wired to the fakes, and the publications its tests back up.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Form1Harness.h"
#include "backup/SavePublisher.h"

namespace kelbrook::testing {

inline standin::Publication Doc(std::wstring name, std::wstring path,
                                std::vector<std::vector<std::wstring>> pages) {
    standin::Publication publication;
    publication.name = std::move(name);
    publication.path = std::move(path);
    for (auto& shapes : pages) {
        publication.pages.emplace_back();
        for (auto& text : shapes) publication.pages.back().shapes.emplace_back(std::move(text));
    }
    return publication;
}

class SaveAllTest : public ::testing::Test, public Form1Harness {
  protected:
    SaveAllTest() {
        publisher.world->installed = true;
        form.Form_Load();  // Option1, Option3, Text1 = the Desktop
        dialogs.shown.clear();
        publisher.created = 0;
        publisher.world->copies.clear();
        publisher.world->mostCopiesAlive = 0;
    }

    void Press() { form.Click(ControlId::PushButton2); }

    std::optional<standin::Publication> Backup(const std::wstring& path) const {
        auto it = files.contents.find(path);
        if (it == files.contents.end()) return std::nullopt;
        return standin::ParsePublication(it->second);
    }
    std::vector<std::wstring> FileNames() const {
        std::vector<std::wstring> names;
        for (const auto& [path, bytes] : files.contents) {
            if (path != values.HistoryLogPath) names.push_back(path);
        }
        return names;
    }
};

// A newsletter with two master pages, pages on each, shapes at set positions and a shape on
// the scratch area.
inline standin::Publication Newsletter() {
    standin::Publication news;
    news.name = L"News.pub";
    news.path = L"C:\\Docs";
    news.masters = {standin::Page{{{L"Masthead", 36, 20}, {L"Page number", 500, 760}}},
                    standin::Page{{{L"Back cover band", 0, 700}}}};
    news.pages = {standin::Page{{{L"Lead story", 72, 144}, {L"Photo", 300, 200}}, 1},
                  standin::Page{{}, 1}, standin::Page{{{L"Contacts", 40, 90.5}}, 2}};
    news.scratch = {{L"Spare headline", -150, 40}};
    return news;
}

// A changed publication is rebuilt with its master pages, each page's master, the scratch
// area and every shape where it stood; a saved one is its file, byte for byte, with no copy

}  // namespace kelbrook::testing
