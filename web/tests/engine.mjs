// SPDX-License-Identifier: MIT
// The page's engine under Node, the same file the page carries inside it.
import { createRequire } from 'node:module';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { root } from './paths.mjs';

export const enginePath = process.env.EXTCALC_ENGINE || join(root, 'build', 'web', 'web', 'extinguisher-engine.js');
export const cliPath = process.env.EXTCALC_CLI || join(root, 'build', 'dev', 'cli', 'extinguisher-calc-cli');

export async function loadEngine() {
  if (!existsSync(enginePath)) throw new Error(`the engine is missing (cmake --build --preset web): ${enginePath}`);
  // The WebAssembly beside it, given as bytes: Node's own fetch takes no file path.
  const wasmBinary = readFileSync(enginePath.replace(/\.js$/, '.wasm'));
  return createRequire(import.meta.url)(enginePath)({ wasmBinary });
}
