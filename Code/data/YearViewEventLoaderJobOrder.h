#pragma once

#include <QtGlobal>

#include <array>

// Keeps the jobs on marks and days in the order they were started, so that a
// quick second command on the same days works on what the first one left.
//
// Every such job has two stages: it changes the year page (reading the days'
// entries first), and then writes the store. A job enters each stage only
// after every job started before it has left that stage: its page changes
// follow theirs, and its store writes follow theirs (a mark just made and at
// once removed again is saved before it is removed). A job that finds its
// events in the store, not on the page, holds its page stage until its store
// stage begins, so it also sees what the jobs before it saved.
//
// A job waits only for jobs started before it, which never wait for it, and
// never for the main thread; a job that ends without entering a stage still
// takes its turn there, so nothing waits for it for ever.
class YearViewEventLoaderJobOrder final {
public:
    enum class Stage { Page = 0, Store = 1 };

    // The place in line of a job about to start; taken by its starter, on the
    // thread that starts it, so the order is the order of the starts.
    static quint64 takeTurn();

    // Held by the job's worker for its whole run.
    explicit YearViewEventLoaderJobOrder(quint64 turn);
    // Passes the stages the job has not left yet, each in its turn.
    ~YearViewEventLoaderJobOrder();
    YearViewEventLoaderJobOrder(const YearViewEventLoaderJobOrder&) = delete;
    YearViewEventLoaderJobOrder& operator=(const YearViewEventLoaderJobOrder&) = delete;

    // Waits until every earlier job has left the stage (nothing when entered).
    void enter(Stage stage);
    // Lets the next job in (entering first when needed; nothing when left).
    void leave(Stage stage);

private:
    const quint64 turn_;
    std::array<bool, 2> entered_{false, false};
    std::array<bool, 2> left_{false, false};
};
