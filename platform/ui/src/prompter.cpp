#include "ui/prompter.h"

#include "default_prompter.h"

namespace ui {
namespace {

Prompter* current = nullptr;

}  // namespace

Prompter& CurrentPrompter() {
    static detail::DefaultPrompter defaultPrompter;
    return current ? *current : defaultPrompter;
}

ScopedPrompter::ScopedPrompter(Prompter& prompter) : previous_(current) { current = &prompter; }

ScopedPrompter::~ScopedPrompter() { current = previous_; }

}  // namespace ui
