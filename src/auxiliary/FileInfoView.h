#pragma once

#include <QWidget>

class QFormLayout;
class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QToolButton;

namespace tolvane {

class ElidedLabel;
class FileInfoWindowController;
class ProgressSpinner;

// The content of the "Get Info" window: the file's name under its icon, then its size, dates,
// link target, SHA-256 digest (with a copy button) and comment; "No file selected" when the
// controller has no file.
class FileInfoView : public QWidget {
    Q_OBJECT
public:
    explicit FileInfoView(FileInfoWindowController& controller, QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void showInfo();
    void updateSymbols();
    void showDigest();

    FileInfoWindowController& m_controller;
    QStackedWidget* m_pages;
    QWidget* m_placeholder;
    QWidget* m_infoPage;
    QLabel* m_icon;
    QFormLayout* m_rows;
    ElidedLabel* m_name;
    QLabel* m_size;
    QLabel* m_modified;
    QLabel* m_created;
    QLabel* m_linkTarget;
    QLabel* m_comment;
    QPlainTextEdit* m_digest;
    ProgressSpinner* m_spinner;
    QToolButton* m_copy;
};

} // namespace tolvane
