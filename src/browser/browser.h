// The browser component: loads a page asynchronously into a document model.
#pragma once

namespace vex {

class Browser {
 public:
  virtual ~Browser() = default;
};

}  // namespace vex
