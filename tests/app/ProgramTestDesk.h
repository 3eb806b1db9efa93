// One run of the program for a test: simulated keyboards behind the platform seam, a
// scripted user, and the main window on top of them, shown as the program shows it.
#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QProgressBar>
#include <QtTest>
#include <memory>
#include <optional>
#include <semaphore>
#include <string>
#include <vector>

#include "app/CVornUtilDlg.h"
#include "sim/SimDeviceMonitor.h"
#include "sim/SimHidPlatform.h"
#include "skin/CSkinButton.h"
#include "tests/support/ScriptedUser.h"

namespace vorn::test {

inline constexpr char kOrvanePath[] = "sim/orvane-pro";
inline constexpr char kTessikProPath[] = "sim/tessik-pro";

// Holds the script download's worker at its closing message until opened, so that a test
// can look at the window while a download runs. Shared with the worker's hook, which may
// still be returning from it when the test is over; opens itself when the test ends early.
class WorkerGate {
  public:
    static std::shared_ptr<WorkerGate> HoldMessagesOf(ScriptedUser& user) {
        auto gate = std::make_shared<WorkerGate>();
        user.SetMessageHook([gate](const std::string&) { gate->Pass(); });
        return gate;
    }
    void Pass() {
        semaphore_.acquire();
        semaphore_.release();
    }
    void Open() { semaphore_.release(); }

  private:
    std::binary_semaphore semaphore_{0};
};

struct ModelIds {
    std::uint16_t vendorId;
    std::uint16_t productId;
};
inline constexpr ModelIds kOrvanePro{0x0F39, 0x1085};
inline constexpr ModelIds kTessikPro{0x0F39, 0x0876};

class ProgramTestDesk {
  public:
    ProgramTestDesk() = default;
    ~ProgramTestDesk() {
        // Let a held worker finish before the window goes.
        if (gate_) gate_->Open();
    }

    // Plugging, unplugging and injecting queue the change to the window before they return
    // (the simulated monitor delivers on the calling thread); the window handles it when
    // its event loop runs next (QTRY_*, QTest::qWait). Inject only after Start.
    sim::SimKeyboard& Plug(const std::string& path, ModelIds ids) {
        sim::SimHidPlatform::DeviceDescription desc;
        desc.path = path;
        desc.vendorId = ids.vendorId;
        desc.productId = ids.productId;
        return platform_.Attach(desc);
    }
    void Unplug(const std::string& path) { platform_.Detach(path); }
    void Inject(hid::DeviceChange change) { monitor_->Inject(change); }

    // Shows the window as the program does; its initialisation runs then.
    app::CVornUtilDlg& Start() {
        // The monitor is made as the program starts, so keyboards plugged before are found
        // by the first scan, not heard of as arrivals.
        monitor_.emplace(platform_);
        window_ = std::make_unique<app::CVornUtilDlg>(platform_, *monitor_, &user_);
        window_->show();
        return *window_;
    }
    app::CVornUtilDlg& Window() { return *window_; }
    ScriptedUser& User() { return user_; }
    sim::SimHidPlatform& Platform() { return platform_; }

    WorkerGate& HoldWorkerMessages() {
        gate_ = WorkerGate::HoldMessagesOf(user_);
        return *gate_;
    }

    QComboBox& KeyboardList() { return *window_->findChild<QComboBox*>("keyboardList"); }
    QComboBox& SlotList() { return *window_->findChild<QComboBox*>("slotList"); }
    QProgressBar& ProgressBar() { return *window_->findChild<QProgressBar*>("progressBar"); }

    skin::CSkinButton* Button(const QString& name) {
        for (auto* button : window_->findChildren<skin::CSkinButton*>())
            if (button->Name() == name && button->isVisible()) return button;
        return nullptr;
    }
    void Click(const QString& name) {
        skin::CSkinButton* button = Button(name);
        QVERIFY2(button, qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Picks entry `index` of a list the way a person does: opens it and clicks the entry
    // (also the one already shown, which the keyboard's arrows would not pick again).
    static void Choose(QComboBox& list, int index) {
        list.showPopup();
        QAbstractItemView* popup = list.view();
        QVERIFY(QTest::qWaitForWindowExposed(popup->window()));
        const QRect entry = popup->visualRect(list.model()->index(index, 0));
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, entry.center());
        QTRY_VERIFY(!popup->isVisible());
    }

    static std::vector<std::string> Items(const QComboBox& list) {
        std::vector<std::string> items;
        for (int i = 0; i < list.count(); ++i) items.push_back(list.itemText(i).toStdString());
        return items;
    }

  private:
    sim::SimHidPlatform platform_;
    std::optional<sim::SimDeviceMonitor> monitor_;
    ScriptedUser user_;
    std::shared_ptr<WorkerGate> gate_;
    std::unique_ptr<app::CVornUtilDlg> window_;
};

inline std::vector<std::string> SlotEntries() {
    std::vector<std::string> entries;
    for (int j = 0; j < 10; ++j) entries.push_back("FN+" + std::to_string(j));
    return entries;
}

}  // namespace vorn::test
