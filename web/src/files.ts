// SPDX-License-Identifier: MIT
// The project's files: new, open, save, save as, the table import and export, the 计算书
// and the offer of work kept from a tab that ended without saving. Saving goes back into
// the opened file where the browser allows it (File System Access API), else downloads.
import { type FileHandle, PROJECT_EXTENSION, type ProjectDocument } from './document';
import { ask, download, pickFile } from './dom';
import * as recovery from './recovery';
import { openReport } from './report';

interface PickerWindow {
  showOpenFilePicker?: (options: object) => Promise<FileHandle[]>;
  showSaveFilePicker?: (options: object) => Promise<FileHandle>;
}
const pickerTypes = [{ description: '工程文件', accept: { 'application/json': [PROJECT_EXTENSION] } },
  { description: 'DXF 图纸', accept: { 'application/dxf': ['.dxf'] } }];
const isDxf = (file: File) => /\.dxf$/i.test(file.name);

export class ProjectFiles {
  /** Where a DXF drawing goes when 打开 or 导入 is given one. */
  dxf: ((file: File) => Promise<unknown>) | undefined;

  constructor(private readonly doc: ProjectDocument) {}

  private get engine() { return this.doc.engine; }

  /** Whether the project may be put aside: saved, or its changes given up. */
  async discardOk(): Promise<boolean> {
    if (!this.doc.dirty) return true;
    const choice = await ask('当前工程有未保存的修改。', ['保存', '不保存', '取消']);
    if (choice === 0) return this.save(false);
    return choice === 1;
  }

  /** Shows the project as File → Open does; the refusal when it is not one. */
  openText(text: string, fileName: string, handle?: FileHandle, recovered = false): string {
    const refusal = this.engine.open(text);
    if (refusal) {
      this.doc.say(`无法打开工程“${fileName}”：${refusal}`, true);
      return refusal;
    }
    if (!recovered) void recovery.forget();
    this.doc.replaced(fileName, handle, recovered);
    this.doc.say(`已打开“${fileName}”，${this.engine.size()} 个计算单元`);
    return '';
  }

  async newProject(): Promise<void> {
    if (!(await this.discardOk())) return;
    this.engine.reset(this.engine.schema().standard);
    void recovery.forget();
    this.doc.replaced('', undefined, false);
  }

  async openFile(): Promise<void> {
    if (!(await this.discardOk())) return;
    const picker = (window as PickerWindow).showOpenFilePicker;
    if (picker) {
      try {
        const [handle] = await picker({ types: pickerTypes });
        const file = await handle.getFile();
        if (this.dxf && isDxf(file)) { await this.dxf(file); return; }
        this.openText(await file.text(), handle.name, handle);
      } catch (error) {
        if ((error as Error).name !== 'AbortError') this.doc.say(String(error), true);
      }
      return;
    }
    const file = await pickFile(`${PROJECT_EXTENSION},application/json,.dxf`);
    if (file && this.dxf && isDxf(file)) await this.dxf(file);
    else if (file) this.openText(await file.text(), file.name);
  }

  /** Saves where the project came from when the browser allows it, otherwise downloads it. */
  async save(choose: boolean): Promise<boolean> {
    const text = this.engine.projectText();
    const name = this.doc.fileName || `工程${PROJECT_EXTENSION}`;
    const picker = (window as PickerWindow).showSaveFilePicker;
    let fileName = name;
    let handle = this.doc.handle;
    try {
      if (handle && !choose) {
        const writable = await handle.createWritable();
        await writable.write(text);
        await writable.close();
        fileName = this.doc.fileName;
      } else if (picker) {
        handle = await picker({ suggestedName: name, types: pickerTypes });
        const writable = await handle.createWritable();
        await writable.write(text);
        await writable.close();
        fileName = handle.name;
      } else {
        download(name, text, 'application/json');
      }
    } catch (error) {
      if ((error as Error).name !== 'AbortError') this.doc.say(`保存失败：${String(error)}`, true);
      return false;
    }
    this.doc.saved(fileName, handle);
    this.doc.say(`已保存“${fileName}”`);
    return true;
  }

  async importCsv(): Promise<void> {
    const file = await pickFile('.csv,text/csv,.dxf');
    if (!file) return;
    // A drawing's rooms may join this project: the DXF import asks itself.
    if (this.dxf && isDxf(file)) { await this.dxf(file); return; }
    if (!(await this.discardOk())) return;
    const refusal = this.engine.importTable(new Uint8Array(await file.arrayBuffer()));
    if (refusal) {
      this.doc.say(`表格“${file.name}”不能导入：${refusal}`, true);
      return;
    }
    this.doc.replaced(file.name.replace(/\.csv$/i, PROJECT_EXTENSION), undefined, false);
    this.doc.changed(-1);
    this.doc.say(`已导入“${file.name}”，${this.engine.size()} 个计算单元`);
  }

  exportCsv(): void {
    const name = (this.doc.fileName || '工程').replace(/\.exdesign$/i, '') + '.csv';
    download(name, this.engine.exportTable(), 'text/csv;charset=utf-8');
  }

  /** The 计算书 in a tab of its own, ready to print. */
  openReport(): Window | null {
    return openReport(this.engine.reportHtml());
  }

  /** Offers back work kept from a tab that was closed without saving. */
  async offerRecovery(): Promise<void> {
    const kept = await recovery.kept().catch(() => undefined);
    if (!kept) return;
    const when = new Date(kept.time).toLocaleString('zh-CN');
    const choice = await ask(`发现 ${when} 未保存的工作${kept.fileName ? `（${kept.fileName}）` : ''}。要恢复吗？`,
      ['恢复', '放弃']);
    if (choice !== 0) { void recovery.forget(); return; }
    if (!this.openText(kept.text, kept.fileName || `工程${PROJECT_EXTENSION}`, undefined, true)) {
      this.doc.say('已恢复未保存的工作');
    }
  }
}
