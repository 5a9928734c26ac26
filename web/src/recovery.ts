// SPDX-License-Identifier: MIT
// Unsaved work kept in IndexedDB, one copy per open page, so that a page closed, reloaded
// or crashed without saving can offer its work back, and no other page can take it away
// meanwhile. Each page holds a Web Lock named after its copy for as long as it lives; the
// browser lets go of it when the page ends, however it ends. A copy whose lock is free
// belongs to no living page: only such a copy is offered, and only after the page offering
// it has taken its lock, so that two pages opened at once never offer the same copy.
//
// Where a browser has no Web Locks (a page served over plain http from another machine),
// a living page marks its copy every few seconds instead, and a copy unmarked for longer
// than that is taken for one whose page has ended.
const DB = 'extinguisher-design';
const STORE = 'recovery';
const LOCK = 'extinguisher-design/recovery/';
/** The one copy an earlier version of the page kept for the whole browser. */
const LEGACY_KEY = 'unsaved';
const BEAT = 5_000;
const STALE = 3 * BEAT;

/** A kept copy as it is stored: the project and what the offer shows of it. */
export interface Kept {
  id: string;
  text: string;
  /** The project's file, where it was opened from or saved to; '' when never saved. */
  fileName: string;
  /** Its 工程名称. */
  name: string;
  units: number;
  /** When it was kept (ms since 1970). */
  time: number;
  /** The page that kept it, so that a copy from another folder's page can be told apart. */
  page: string;
  /** Without Web Locks: when its page last said it was alive. */
  alive?: number;
}

/** What a script sees of a copy no page holds (window.extinguisher.recoveryList()). */
export interface RecoveryCopy { name: string; fileName: string; units: number; time: number; text: string }

export interface Offered {
  kept: Kept;
  /** Lets go of the copy: it stays, to be offered again by a page opened later. */
  release(): void;
}

const locks = (): LockManager | undefined => (typeof navigator !== 'undefined' ? navigator.locks : undefined);

let opening: Promise<IDBDatabase> | undefined;
function database(): Promise<IDBDatabase> {
  opening ??= new Promise((resolve, reject) => {
    const request = indexedDB.open(DB, 1);
    request.onupgradeneeded = () => request.result.createObjectStore(STORE);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
  return opening;
}

async function run<T>(mode: IDBTransactionMode, action: (store: IDBObjectStore) => IDBRequest<T>): Promise<T> {
  const db = await database();
  return new Promise((resolve, reject) => {
    const transaction = db.transaction(STORE, mode);
    const request = action(transaction.objectStore(STORE));
    // Settled when the transaction is done, so that what follows sees it written.
    transaction.oncomplete = () => resolve(request.result);
    transaction.onerror = () => reject(transaction.error ?? request.error);
    transaction.onabort = () => reject(transaction.error ?? new Error('aborted'));
  });
}

async function everyCopy(): Promise<Kept[]> {
  const [keys, values] = await Promise.all([
    run('readonly', (s) => s.getAllKeys()),
    run('readonly', (s) => s.getAll() as IDBRequest<unknown[]>),
  ]);
  return keys.map((key, i) => fromStored(String(key), values[i])).filter((k): k is Kept => k !== undefined);
}

/** A stored record as a copy; the older page's single record had only text, file and time. */
function fromStored(id: string, value: unknown): Kept | undefined {
  const v = value as Partial<Kept> | undefined;
  if (!v || typeof v.text !== 'string') return undefined;
  let { name, units } = v;
  if (typeof name !== 'string' || typeof units !== 'number') {
    try {
      const project = JSON.parse(v.text) as { project?: { name?: unknown }; units?: unknown };
      name = typeof project.project?.name === 'string' ? project.project.name : '';
      units = Array.isArray(project.units) ? project.units.length : 0;
    } catch {
      name = '';
      units = 0;
    }
  }
  return { id, text: v.text, fileName: v.fileName ?? '', name, units, time: v.time ?? 0,
    page: v.page ?? '', alive: v.alive };
}

/** The names of the copies living pages hold (their own, and those they are offering). */
async function heldIds(): Promise<Set<string>> {
  const snapshot = await locks()!.query();
  return new Set((snapshot.held ?? []).map((lock) => lock.name ?? '')
    .filter((name) => name.startsWith(LOCK)).map((name) => name.slice(LOCK.length)));
}

function newId(): string {
  const random = typeof crypto !== 'undefined' && 'randomUUID' in crypto
    ? crypto.randomUUID() : `${Math.random().toString(36).slice(2)}${Math.random().toString(36).slice(2)}`;
  return `${Date.now().toString(36)}-${random}`;
}

/** Holds a lock until released; resolves false at once when another page holds it. */
function hold(name: string, wait: boolean): Promise<(() => void) | undefined> {
  return new Promise((granted) => {
    void locks()!.request(name, { ifAvailable: !wait }, (lock) => {
      if (!lock) { granted(undefined); return undefined; }
      return new Promise<void>((release) => granted(release));
    });
  });
}

/** This page's copy of its project. Every write and removal happens in the order asked. */
export class PageCopy {
  private id = newId();
  private release: (() => void) | undefined;
  private queue: Promise<unknown>;
  private stored = false;
  private readonly offering = new Set<string>();

  constructor() {
    const manager = locks();
    this.queue = manager
      ? hold(LOCK + this.id, true).then((release) => { this.release = release; })
      : Promise.resolve();
    if (!manager) {
      setInterval(() => { if (this.stored) this.then(() => this.touch(Date.now())); }, BEAT);
      // A page that ends in order says so; one that crashes is found by its silence.
      addEventListener('pagehide', () => { if (this.stored) void this.touch(0); });
    }
  }

  private then(step: () => Promise<unknown>): Promise<void> {
    const next = this.queue.then(step);
    this.queue = next.catch(() => undefined);
    return next.then(() => undefined);
  }

  private async touch(alive: number): Promise<void> {
    const id = this.id;
    const value = await run('readonly', (s) => s.get(id) as IDBRequest<Kept | undefined>);
    if (value) await run('readwrite', (s) => s.put({ ...value, alive }, id));
  }

  /** Keeps the project as it is now; what() is asked when the write's turn comes. */
  keep(what: () => Omit<Kept, 'id' | 'page' | 'time'>): Promise<void> {
    return this.then(async () => {
      const kept = { ...what(), time: Date.now(), page: decodeURI(location.pathname), alive: Date.now() };
      const id = this.id;
      await run('readwrite', (s) => s.put(kept, id));
      this.stored = true;
    });
  }

  /** Removes this page's copy, after any write asked before. */
  forget(): Promise<void> {
    return this.then(async () => {
      const id = this.id;
      this.stored = false;
      await run('readwrite', (s) => s.delete(id));
    });
  }

  /** The copies no living page holds, each taken (locked) by this page until answered. */
  async offerable(): Promise<Offered[]> {
    await this.queue;
    const copies = (await everyCopy()).filter((kept) => kept.id !== this.id);
    const offered: Offered[] = [];
    for (const kept of copies.sort((a, b) => b.time - a.time)) {
      if (locks()) {
        const release = kept.id === LEGACY_KEY ? () => undefined : await hold(LOCK + kept.id, false);
        if (!release) continue;
        this.offering.add(kept.id);
        offered.push({ kept, release: () => { this.offering.delete(kept.id); release(); } });
      } else if ((kept.alive ?? kept.time) < Date.now() - STALE) {
        offered.push({ kept, release: () => undefined });
      }
    }
    return offered;
  }

  /** Removes a copy this page is offering. */
  async discard(offered: Offered): Promise<void> {
    await run('readwrite', (s) => s.delete(offered.kept.id));
    offered.release();
  }

  /**
   * The offered copy becomes this page's own: later keeps write over it and a save removes
   * it. This page's copy so far (a new page has none) goes.
   */
  adopt(offered: Offered): Promise<void> {
    return this.then(async () => {
      const previous = this.id;
      const release = this.release;
      await run('readwrite', (s) => s.delete(previous));
      if (offered.kept.id === LEGACY_KEY) {
        // The old single record cannot be locked: its work moves under this page's key.
        const { id: _legacy, ...kept } = offered.kept;
        await run('readwrite', (s) => s.put(kept, previous));
        await run('readwrite', (s) => s.delete(LEGACY_KEY));
        offered.release();
      } else {
        this.id = offered.kept.id;
        this.release = offered.release;
        this.offering.delete(offered.kept.id);
        release?.();
      }
      this.stored = true;
    });
  }

  /** Copies no living page holds as its own, for scripts: those this page offers count. */
  async unheld(): Promise<RecoveryCopy[]> {
    await this.queue;
    const copies = await everyCopy();
    const held = locks() ? await heldIds() : undefined;
    return copies
      .filter((kept) => kept.id !== this.id)
      .filter((kept) => (held ? !held.has(kept.id) || this.offering.has(kept.id)
        : (kept.alive ?? kept.time) < Date.now() - STALE))
      .sort((a, b) => b.time - a.time)
      .map(({ name, fileName, units, time, text }) => ({ name, fileName, units, time, text }));
  }
}
