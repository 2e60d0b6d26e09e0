#pragma once
// Declares nothing in any namespace of its own.
struct Loose {};
