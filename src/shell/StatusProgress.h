#pragma once

#include "shell/Progress.h"

#include <QElapsedTimer>
#include <QRect>

#include <QWidget>

class QLabel;

namespace umbraxis {

// A plain progress bar drawn in the desktop style. Unlike the toolkit's own,
// a new value only marks the bar for painting, so that the owner decides when
// the screen is brought up to date.
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    int value() const { return m_value; }
    void setValue(int value);
    int minimum() const { return 0; }
    int maximum() const { return 100; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_value = 0;
};

// The status label `lStatus` and the bar `ProgressBar1` of the install and
// run screens: the screen side of the Progress port. A new status text or
// position is painted before the call returns. Bar steps come far faster than
// a display can show them during a long walk, so they are painted at most
// once a frame; the final state is always painted, because every operation
// ends by setting its status or position.
class StatusProgress : public Progress {
public:
    // `afterSearch`: what the status line reads once a search for Quake is
    // over.
    StatusProgress(QWidget* screen, const QRect& statusPlace, const QRect& barPlace,
                   const QString& afterSearch = QString());

    void setStatus(const QString& text) override;
    QString status() const override;
    void ProgressStep() override;
    void setPosition(int position) override;
    int position() const override;
    void repaintNow() override;
    QString statusAfterSearch() const override { return m_afterSearch; }

    QLabel* lStatus() const { return m_status; }
    ProgressBar* ProgressBar1() const { return m_bar; }

    // Number of times the screen was brought up to date; for tests.
    int paints() const { return m_paints; }

private:
    void paint();

    QWidget* m_screen;
    QLabel* m_status;
    ProgressBar* m_bar;
    QString m_afterSearch;
    QElapsedTimer m_sincePaint;
    int m_paints = 0;
};

} // namespace umbraxis
