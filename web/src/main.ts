// SPDX-License-Identifier: MIT
// Starts the engine, shows the sample building (or offers back unsaved work) and
// publishes window.extinguisher for automation and tests.
import { App } from './app';
import { Engine } from './engine';

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
}

declare global {
  interface Window { extinguisher: PageApi }
}

let app: App | undefined;
const started = createEngine().then(async (module) => {
  const engine = new Engine(module);
  engine.open(EXTCALC_SAMPLE.text);
  app = new App(engine, document.getElementById('app') as HTMLElement);
  app.say(`示例建筑“${EXTCALC_SAMPLE.name}”，可直接修改，或从“打开…”打开自己的工程`);
  void app.files.offerRecovery();
  // For the benchmarks: when the page could first be used, from navigation on.
  performance.mark('extinguisher-ready');
  return module;
});

function ready(): App {
  if (!app) throw new Error('建筑灭火器配置设计尚未载入完毕');
  return app;
}

window.extinguisher = {
  version: EXTCALC_PAGE_VERSION,
  ready: started.then(() => undefined),
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
};
