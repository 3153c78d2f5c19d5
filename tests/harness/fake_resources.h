#pragma once
// A resource module made in a test, and the soft-key bars made from one: strings, menus and
// soft-key bars by number. What it does not hold comes from `fallback` (none by default), except
// dialog templates, which it never has.

#include <map>

#include "platform/ui/menu_bar.h"
#include "platform/ui/resource_module.h"

namespace velora::testing {

class FakeResources : public platform::ResourceModule {
  public:
    using UINT = platform::UINT;
    explicit FakeResources(const platform::ResourceModule* fallback = nullptr)
        : fallback_(fallback) {}

    std::map<UINT, std::u16string> strings;
    std::map<UINT, platform::MenuTemplate> menus;
    std::map<UINT, std::vector<std::uint16_t>> bars;

    const std::u16string* String(UINT id) const override {
        return Find(strings, id, &ResourceModule::String);
    }
    const platform::MenuTemplate* Menu(UINT id) const override {
        return Find(menus, id, &ResourceModule::Menu);
    }
    const std::vector<std::uint16_t>* MenuBarData(UINT id) const override {
        return Find(bars, id, &ResourceModule::MenuBarData);
    }
    const platform::DialogTemplate* Dialog(UINT) const override { return nullptr; }
    const QImage* Bitmap(UINT id) const override {
        return fallback_ != nullptr ? fallback_->Bitmap(id) : nullptr;
    }

  private:
    template <typename T>
    const T* Find(const std::map<UINT, T>& held, UINT id,
                  const T* (ResourceModule::*get)(UINT) const) const {
        const auto found = held.find(id);
        if (found != held.end()) return &found->second;
        return fallback_ != nullptr ? (fallback_->*get)(id) : nullptr;
    }

    const platform::ResourceModule* fallback_;
};

// The soft-key bar `id` of `resources` made for `parent` (SHCreateMenuBar); nullptr when that
// fails.
inline platform::HWND CreateMenuBar(platform::HWND parent, platform::UINT id,
                                    platform::HINSTANCE resources) {
    platform::SHMENUBARINFO info{};
    info.cbSize = sizeof(info);
    info.hwndParent = parent;
    info.nToolBarId = id;
    info.hInstRes = resources;
    return platform::SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
}

}  // namespace velora::testing
