// The setup window `Main`: the options of a run, the Setup, Next and Help buttons, and the result
// line. It shows the run's boxes, input boxes and user dialog by implementing SetupHost.
#pragma once

#include <QWidget>

#include "platform/registry.hpp"
#include "setup_host.hpp"
#include "setup_run.hpp"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace varnel {

class Main final : public QWidget, public SetupHost {
    Q_OBJECT
public:
    // palmDesktopReadable: whether the Palm Desktop folder could be read at start-up; without it
    // only the standalone option can be chosen.
    Main(MainState state, bool palmDesktopReadable, tesk::FileSystem& fs, tesk::Registry& registry,
         QWidget* parent = nullptr);

    const MainState& state() const { return state_; }

    // Lets tests answer the run's prompts instead of real dialogs.
    void setPromptHost(SetupHost* host) { promptHost_ = host ? host : this; }

    void message(std::string_view text, std::string_view title) override;
    std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                        std::string_view defaultAnswer) override;
    PalmUserAnswer choosePalmUser(const std::vector<std::string>& names,
                                  std::optional<std::size_t> preselected) override;

signals:
    // Next, Cancel of the user dialog, or a fatal message: the program ends.
    void programEnded();

private:
    void onWarningBoxClicked(WarningBox box, bool checked);
    void onSetupClicked();
    void onHelpClicked();
    void showResult(const QString& text);

    MainState state_;
    tesk::FileSystem& fs_;
    tesk::Registry& registry_;
    SetupHost* promptHost_;

    QLabel* label1_;
    QCheckBox* defaultPreferences_;
    QCheckBox* defaultTabbedPane_;
    QCheckBox* defaultIcons_;
    QCheckBox* screenTemplates_;
    QGroupBox* frame1_;
    QRadioButton* standAlone_;
    QRadioButton* legacyPIMs_;
    QRadioButton* newerPIMs_;
    QLabel* label2_;
    QLabel* displayResult_;
    QPushButton* setup_;
    QPushButton* next_;
    QPushButton* help_;
    QLabel* picture1_;
};

// Text from the logic (bytes in the local encoding, CR LF lines) for a widget, and back.
QString toDisplay(std::string_view text);
std::string fromDisplay(const QString& text);

}   // namespace varnel
