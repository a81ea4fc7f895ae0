// Written by tools/web/ControlIdsTs.cpp from the engine's control table; do not edit.
// The controls in the engine's order; values in the units a user reads.
export enum ControlId {
  Enabled = 0, // 0 off, 1 on
  InputAlpha = 1, // 0 off, 1 on
  InputBeta = 2, // 0 off, 1 on
  InputGamma = 3, // 0 off, 1 on
  InputDelta = 4, // 0 off, 1 on
  AttackMs = 5, // 0 to 2000 ms
  ReleaseMs = 6, // 0 to 1000 ms
  DuckKey = 7, // 0 key, 1 duck
  ThresholdDb = 8, // -96 to 0 dB
  RangeDb = 9, // 0 to 96 dB
  HoldMs = 10, // 0 to 2000 ms
  LookaheadMs = 11, // 0 to 50 ms
}
