#pragma once

#include "app/platform.h"
#include "app/runtime_error.h"

#include <QString>
#include <exception>
#include <new>
#include <utility>

namespace amb {

// Where users send a screenshot of an error report.
inline const QString kSupportEmail = QStringLiteral("support@ambrevale.org");

// The text of the error report box.
QString errorReportText(const QString& description, const QString& procedurePath, int line);

// A procedure that owns an error report runs each numbered source line through
// this helper: a line that throws shows the report and the procedure goes on with
// the next line. Keep the numbers (100, 102, ...) next to the statements so a
// reader can match a report to its line.
class ErrorReport {
public:
    ErrorReport(Platform& platform, QString procedurePath)
        : platform_(platform), path_(std::move(procedurePath)) {}

    // Runs one numbered line; returns false when it failed (after the report).
    template <class Statement> bool operator()(int line, Statement&& statement) {
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (const RunTimeError& e) {
            show(line, e.description());
        } catch (const std::bad_alloc&) {
            show(line, QStringLiteral("Out of memory"));
        } catch (const std::exception& e) {
            show(line, QString::fromUtf8(e.what()));
        }
        return false;
    }

    // The condition of an if-statement on a numbered line: a failing condition is
    // reported and counts as true, so execution goes on into the then-branch.
    template <class Condition> bool condition(int line, Condition&& cond) {
        bool result = true;
        (*this)(line, [&] { result = std::forward<Condition>(cond)(); });
        return result;
    }

    void show(int line, const QString& description);
    const QString& procedurePath() const { return path_; }

private:
    Platform& platform_;
    QString path_;
};

} // namespace amb
