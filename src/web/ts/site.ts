// SPDX-License-Identifier: MIT
// What the page takes from the site it is served from. The one-file build
// (src/web/tools/single.mjs) puts a module of its own in this one's place: the
// WebAssembly inside, and no site around it.

// Whether the site's other files are there: the worker that keeps them for offline use.
export const servedWithSite = true;

// The generated module's instance, which fetches qzb_core.wasm from beside it; `options` go to
// the module (the grading worker of a page without a site is handed the WebAssembly).
export async function instantiateCore(options: object = {}): Promise<unknown> {
  // A variable keeps tsc from resolving the generated module at compile time.
  const url = './qzb_core.mjs';
  const factory = (await import(url)) as { default: (options: object) => Promise<unknown> };
  return factory.default(options);
}

// The worker that grades a class (grading_worker.ts), a file of the site.
export function startGradingWorker(): Worker {
  return new Worker(new URL('./grading_worker.js', import.meta.url), { type: 'module' });
}
