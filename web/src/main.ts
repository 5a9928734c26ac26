// SPDX-License-Identifier: MIT
// Starts the engine, shows the sample building (or offers back unsaved work) and
// publishes window.extinguisher for automation and tests. A page that cannot start says
// why and what to use instead, rather than showing 正在载入… for ever.
import { App } from './app';
import { Engine, pointsDxf } from './engine';
import type { RecoveryCopy } from './recovery';

declare const EXTCALC_PAGE_VERSION: string;
declare const EXTCALC_SAMPLE: { name: string; text: string };

export interface PageApi {
  version: string;
  ready: Promise<void>;
  /** Exactly what `extinguisher-calc-cli --project F --json` prints for the file. */
  evaluateProject(text: string): string;
  openProject(text: string): void;
  projectText(): string;
  reportHtml(): string;
  /** The unsaved work of pages that have ended, which no living page holds. */
  recoveryList(): Promise<RecoveryCopy[]>;
  /** The project text `extinguisher-calc-cli --dxf F --layer L --standard 2005 --out P
   *  [--units mm|m]` writes for the drawing's bytes; throws with the reason it is refused. */
  importDxf(bytes: Uint8Array | ArrayBuffer, options: { layer: string; units?: 'mm' | 'm' | '' }): string;
  /** The project text `--project P --place --out Q` writes. */
  placeProject(text: string): string;
  /** The bytes `--project P --export-dxf D [--units mm|m]` writes. */
  exportDxf(text: string, options?: { units?: 'mm' | 'm' | '' }): Uint8Array;
}

declare global {
  interface Window { extinguisher: PageApi }
}

/** Says why the page cannot start and what to use instead (guard.js, which runs first). */
function cannotStart(why: string, detail = ''): void {
  (window as unknown as { extinguisherCannotStart(why: string, detail: string): void })
    .extinguisherCannotStart(why, detail);
}

let app: App | undefined;

async function start(): Promise<void> {
  if (typeof WebAssembly !== 'object') {
    cannotStart('这个浏览器不支持 WebAssembly，而本页面的计算要用到它。');
    throw new Error('WebAssembly is missing');
  }
  let module;
  try {
    module = await createEngine();
  } catch (error) {
    cannotStart('计算引擎未能启动（浏览器可能禁止了 WebAssembly，或版本太旧）。', String(error));
    throw error;
  }
  const engine = new Engine(module);
  engine.open(EXTCALC_SAMPLE.text);
  app = new App(engine, document.getElementById('app') as HTMLElement);
  app.doc.sample = true;
  app.showState();
  app.say(`这是示例建筑（${EXTCALC_SAMPLE.name}），可直接修改，或“打开…”自己的工程、“新建”一个工程`);
  void app.files.offerRecovery();
  // For the benchmarks: when the page could first be used, from navigation on.
  performance.mark('extinguisher-ready');
}

const started = start();
// The promise is for scripts; the page has said what went wrong already.
started.catch(() => undefined);

function ready(): App {
  if (!app) throw new Error('建筑灭火器配置设计尚未载入完毕');
  return app;
}

window.extinguisher = {
  version: EXTCALC_PAGE_VERSION,
  ready: started,
  evaluateProject(text: string): string {
    const out = ready().engine.module.evaluateProject(text);
    if (out.startsWith('!')) throw new Error(out.slice(1));
    return out;
  },
  openProject(text: string): void {
    const refusal = ready().files.openText(text, `工程.exdesign`);
    if (refusal) throw new Error(refusal);
  },
  projectText: () => ready().engine.projectText(),
  reportHtml: () => ready().engine.reportHtml(),
  recoveryList: () => ready().doc.copy.unheld(),
  importDxf(bytes, { layer, units = '' }): string {
    const data = bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes);
    const got = JSON.parse(ready().engine.module.importDxf(data, layer, units)) as { project?: string; error?: string };
    if (got.project === undefined) throw new Error(got.error ?? '');
    return got.project;
  },
  placeProject(text: string): string {
    const out = ready().engine.module.placeProject(text);
    if (out.startsWith('!')) throw new Error(out.slice(1));
    return out;
  },
  exportDxf: (text, { units = '' } = {}) => pointsDxf(ready().engine.module.exportDxf(text, units)).bytes,
};
